#include "view/message_header.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "base/helpers.h"

namespace vellorin {
namespace {

constexpr std::string_view kBlockStart = "header start:";
// The marker and one more character (the line break after it) are skipped.
constexpr std::size_t kBlockStartSkip = kBlockStart.size() + 1;
constexpr std::string_view kBlockEnd = "header end";
constexpr std::string_view kBodyStart = "header end -->";

// Replaces every occurrence, left to right; inserted text is not searched again.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t hit = text.find(from);
    if (hit == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::size_t done = 0;
    while (hit != std::string::npos) {
        out.append(text, done, hit - done);
        out.append(to);
        done = hit + from.size();
        hit = text.find(from, done);
    }
    out.append(text, done, std::string::npos);
    text = std::move(out);
}

// The text between the block markers, decoded; nullopt when the block is missing or unterminated.
std::optional<std::string> HeaderBlock(const std::string& description) {
    std::size_t start = description.find(kBlockStart);
    if (start == std::string::npos)
        return std::nullopt;
    std::size_t from = std::min(start + kBlockStartSkip, description.size());
    std::size_t end = description.find(kBlockEnd, from);
    if (end == std::string::npos)
        return std::nullopt;
    std::string block = description.substr(from, end - from);
    ReplaceAll(block, "&quot;", "\"");
    ReplaceAll(block, "&lt;", "<");
    ReplaceAll(block, "&gt;", ">");
    ReplaceAll(block, "<br />", "");
    ReplaceAll(block, "<p>", "");
    ReplaceAll(block, "</p>", "");
    return block;
}

// Finds labels in a lower-cased copy of the block; positions are the same in the block itself
// because only ASCII letters change.
class LabelFinder {
public:
    explicit LabelFinder(const std::string& block) : block_(block), lower_(ToLowerAscii(block)) {}

    // The value that begins `skip` characters after `label` and runs up to `terminator` (or to
    // the end of the block when the terminator is empty or missing); nullopt without the label.
    std::optional<std::string> value(std::string_view label, std::size_t skip,
                                     std::string_view terminator) const {
        std::size_t at = lower_.find(label);
        if (at == std::string::npos)
            return std::nullopt;
        std::size_t begin = std::min(at + skip, block_.size());
        std::size_t end = terminator.empty() ? std::string::npos : lower_.find(terminator, begin);
        if (end == std::string::npos)
            end = block_.size();
        return block_.substr(begin, end - begin);
    }

private:
    const std::string& block_;
    std::string lower_;
};

// Splits a from / reply-to value into display name and address.
void SplitParty(std::string value, std::string& name, std::string& email) {
    value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
    std::size_t open = value.find('<');
    if (open == std::string::npos) {
        name.clear();
        email = std::move(value);
        return;
    }
    name = value.substr(0, open);
    email = value.substr(open + 1);
    email.erase(std::remove(email.begin(), email.end(), '>'), email.end());
}

// The length of the style rule that leads `body`: up to and including the first "}" when the
// body begins, after blanks, with a <style> element and that "}" stands inside it; otherwise 0.
std::size_t LeadingStyleRule(std::string_view body) {
    constexpr std::string_view kBlanks = " \t\r\n\f\v";
    constexpr std::string_view kStyle = "<style";
    const std::size_t open = body.find_first_not_of(kBlanks);
    const std::size_t brace = body.find('}', open == std::string_view::npos ? body.size() : open);
    if (brace == std::string_view::npos)
        return 0;
    // From the element's "<" up to the brace, which must not have closed the element yet.
    const std::string head = ToLowerAscii(body.substr(open, brace - open));
    if (head.size() <= kStyle.size() || head.compare(0, kStyle.size(), kStyle) != 0 ||
        head.find("</style") != std::string::npos)
        return 0;
    const char after = head[kStyle.size()];
    if (after != '>' && after != '/' && kBlanks.find(after) == std::string_view::npos)
        return 0;
    return brace + 1;
}

std::string BodyOf(const std::string& description) {
    std::size_t marker = description.find(kBodyStart);
    if (marker == std::string::npos)
        return description;
    const std::string_view body = std::string_view(description).substr(marker + kBodyStart.size());
    return std::string(body.substr(LeadingStyleRule(body)));
}

}  // namespace

MessageHeader ParseHeader(const std::string& description) {
    MessageHeader header;
    if (std::optional<std::string> block = HeaderBlock(description)) {
        LabelFinder labels(*block);
        // "from:", the blank after it and the opening quote.
        if (auto from = labels.value("from:", 7, "subject"))
            SplitParty(std::move(*from), header.FromName, header.FromEmail);
        if (auto subject = labels.value("subject: ", 9, "date"))
            header.Subject = std::move(*subject);
        if (auto date = labels.value("date: ", 6, "reply"))
            header.Date = std::move(*date);
        if (auto reply = labels.value("reply-to: ", 10, {}))
            SplitParty(std::move(*reply), header.ReplyName, header.ReplyEmail);
    }
    header.Body = BodyOf(description);
    return header;
}

}  // namespace vellorin
