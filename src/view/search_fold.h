#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellorin {

// The form in which the message search compares text: letter case and accents do not count.
// Each character is case-folded (full folding: "ß" becomes "ss"), decomposed by compatibility
// (NFKD: "ﬁ" becomes "fi", "²" becomes "2") and stripped of its non-spacing marks, so "Élan",
// "ELAN" and "élan" all become "elan". Bytes that are not UTF-8 are dropped. ASCII text, by far
// the most common, takes a fast path that only lowers its letters.
std::string FoldForSearch(std::string_view utf8);

// The words of a search as the user typed it: split at blanks (spaces, tabs, line breaks), each
// folded; none for a blank query.
std::vector<std::string> SearchWords(std::string_view query);

// Whether folded text holds every one of the folded words (anywhere, also inside a longer word).
// True for no words.
bool HoldsEveryWord(std::string_view folded, std::span<const std::string> words);

}  // namespace vellorin
