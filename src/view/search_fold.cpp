#include "view/search_fold.h"

#include <cstdint>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace vellorin {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Appends the folded form of one code point beyond ASCII.
void AppendFolded(UChar32 c, const icu::Normalizer2& nfkd, std::string& out) {
    icu::UnicodeString text(c);
    text.foldCase();
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString decomposed = nfkd.normalize(text, status);
    if (U_FAILURE(status))
        decomposed = text;
    // Folding may leave upper-case letters that only the decomposition brings out.
    decomposed.foldCase();
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 part = decomposed.char32At(i);
        i += U16_LENGTH(part);
        if (u_charType(part) == U_NON_SPACING_MARK)
            continue;
        char bytes[U8_MAX_LENGTH];
        int32_t size = 0;
        UBool error = false;
        U8_APPEND(bytes, size, U8_MAX_LENGTH, part, error);
        if (!error)
            out.append(bytes, static_cast<size_t>(size));
    }
}

}  // namespace

std::string FoldForSearch(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const icu::Normalizer2* nfkd = nullptr;
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t i = 0; i < length;) {
        const uint8_t byte = bytes[i];
        if (byte < 0x80) {
            out.push_back(
                static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte));
            ++i;
            continue;
        }
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        if (c < 0)
            continue;
        if (nfkd == nullptr) {
            UErrorCode status = U_ZERO_ERROR;
            nfkd = icu::Normalizer2::getNFKDInstance(status);
            if (U_FAILURE(status))
                nfkd = nullptr;
        }
        if (nfkd == nullptr) {
            out.append(utf8.substr(static_cast<size_t>(i - U8_LENGTH(c)),
                                   static_cast<size_t>(U8_LENGTH(c))));
            continue;
        }
        AppendFolded(c, *nfkd, out);
    }
    return out;
}

std::vector<std::string> SearchWords(std::string_view query) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < query.size()) {
        while (i < query.size() && IsBlank(query[i]))
            ++i;
        size_t end = i;
        while (end < query.size() && !IsBlank(query[end]))
            ++end;
        if (end > i) {
            std::string word = FoldForSearch(query.substr(i, end - i));
            if (!word.empty())
                words.push_back(std::move(word));
        }
        i = end;
    }
    return words;
}

bool HoldsEveryWord(std::string_view folded, std::span<const std::string> words) {
    for (const std::string& word : words) {
        if (folded.find(word) == std::string_view::npos)
            return false;
    }
    return true;
}

}  // namespace vellorin
