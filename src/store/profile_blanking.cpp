// Removing a section from a document: blanked in place in three flushed steps, or left out of a
// rewrite; and the compacted text once blank lines make up much of the file.

#include <algorithm>

#include "base/helpers.h"
#include "store/profile_document.h"
#include "store/profile_text.h"

namespace vellorin::profile {

ProfileDocument::Edit ProfileDocument::removeSection(std::string_view section) const {
    Edit edit;
    const auto* occ = occurrences(section);
    if (!occ)
        return edit;
    edit.kind = Edit::Kind::kRewrite;
    size_t from = 0;
    for (uint32_t s : *occ) {
        const SectionBlock& block = sections_[s];
        edit.data.append(text_, from, block.headerBegin - from);
        from = block.end;
    }
    edit.data.append(text_, from);
    return edit;
}

std::optional<Blanking> ProfileDocument::blankSection(std::string_view section) const {
    const auto* occ = occurrences(section);
    // With two occurrences no order of writes keeps the section whole or gone: the one removed
    // first takes its keys away from the other. A nameless section reads as no section already.
    if (!occ || occ->size() != 1)
        return std::nullopt;
    const SectionBlock& block = sections_[occ->front()];
    if (block.nameSize == 0)
        return std::nullopt;
    const size_t begin = block.headerBegin;
    size_t open = begin;
    while (IsBlank(text_[open]))
        ++open;  // the header's "["; its name and "]" follow, so open + 1 is inside the line

    // `gone` is the region as it ends, `heads` as step 2 leaves it: blank but for the line breaks
    // and each line's first non-blank byte, the header's being its "[".
    std::string_view region = slice(begin, block.end - begin);
    std::string gone(region);
    std::string heads(region);
    ForEachLine(region, 0, [&](size_t lineBegin, size_t contentEnd, size_t) {
        bool head = true;
        for (size_t i = lineBegin; i < contentEnd; ++i) {
            gone[i] = ' ';
            if (head && !IsBlank(region[i]))
                head = false;
            else
                heads[i] = ' ';
        }
    });
    heads[open - begin + 1] = ']';

    Blanking blanking;
    blanking.steps.push_back({Patch{open + 1, "]"}});
    blanking.steps.push_back({Patch{begin, std::move(heads)}});
    blanking.steps.push_back({Patch{begin, std::move(gone)}});
    return blanking;
}

bool ProfileDocument::applyBlanking(std::string_view section, const Blanking& blanking) {
    auto it = sectionsByName_.find(ToLowerAscii(Trim(section)));
    if (it == sectionsByName_.end())
        return false;
    for (const auto& step : blanking.steps) {
        for (const Patch& p : step) {
            if (p.offset > text_.size() || p.data.size() > text_.size() - p.offset)
                return false;
        }
    }
    for (const auto& step : blanking.steps) {
        for (const Patch& p : step)
            text_.replace(p.offset, p.data.size(), p.data);
    }
    for (uint32_t s : it->second) {
        SectionBlock& block = sections_[s];
        block.blanked = true;
        block.firstOfName = false;
        // Lines of the section that were blank already are counted twice; the figure only
        // decides when compacting is worth a rewrite.
        blankBytes_ += block.end - block.headerBegin;
    }
    sectionsByName_.erase(it);
    return true;
}

std::string ProfileDocument::compacted() const {
    std::string out;
    out.reserve(text_.size() - std::min(blankBytes_, text_.size()));
    ForEachLine(text_, 0, [&](size_t begin, size_t contentEnd, size_t end) {
        if (!Trim(slice(begin, contentEnd - begin)).empty())
            out.append(text_, begin, end - begin);
    });
    return out;
}

}  // namespace vellorin::profile
