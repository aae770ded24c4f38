#include "view/message_page.h"

#include <vector>

#include "base/helpers.h"

namespace vellorin {
namespace {

struct Replacement {
    std::string_view token;
    std::string_view value;
};

// The replacement whose token stands at `at` of `text`, or nullptr. No token is the beginning of
// another, so at most one matches.
const Replacement* TokenAt(std::string_view text, std::size_t at,
                           const std::vector<Replacement>& table) {
    for (const Replacement& r : table)
        if (text.compare(at, r.token.size(), r.token) == 0)
            return &r;
    return nullptr;
}

}  // namespace

std::string ShortTitle(const std::string& title) {
    std::size_t cut = std::string::npos;
    std::size_t at = 0;
    for (int blanks = 0; blanks < 4; ++blanks) {
        cut = title.find(' ', at);
        if (cut == std::string::npos)
            return title;
        at = cut + 1;
    }
    return title.substr(0, cut + 1) + "...";
}

std::string FillTemplate(std::string_view templateText, const MessageHeader& header,
                         std::size_t maxPageBytes) {
    const std::string fromName = IsBlank(header.FromName) ? std::string() : header.FromName + " ";
    const std::vector<Replacement> table = {
        {"FN", fromName},         {"FEML", header.FromEmail},  {"DT", header.Date},
        {"RT", header.ReplyName}, {"REML", header.ReplyEmail}, {"SL", header.Subject},
        {"DESC", header.Body},
    };
    // One pass over the template: what is put in is never searched again.
    std::string page;
    page.reserve(templateText.size());
    std::size_t at = 0;
    while (at < templateText.size()) {
        const Replacement* r = TokenAt(templateText, at, table);
        if (r == nullptr) {
            page += templateText[at++];
            continue;
        }
        const std::size_t rest = templateText.size() - at - r->token.size();
        page.append(page.size() + r->value.size() + rest <= maxPageBytes ? r->value : r->token);
        at += r->token.size();
    }
    return page;
}

std::optional<std::string> RenderMessagePage(UserSeam& seam, const std::string& appFolder,
                                             const std::string& dataFolder,
                                             const MessageHeader& header) {
    std::string templatePath;
    if (!appFolder.empty())
        templatePath = AddBackslash(appFolder) + kTemplateFileName;
    if (templatePath.empty() || !FileExists(seam, templatePath)) {
        seam.messageBox(std::string(kMissingTemplateCaption), std::string(kMissingTemplateText),
                        MsgIcon::Critical);
        return std::nullopt;
    }
    std::string page = FillTemplate(ReadTextFile(seam, templatePath), header);
    if (dataFolder.empty())
        return std::nullopt;
    std::string pagePath = AddBackslash(dataFolder) + kRenderedPageFileName;
    if (!WriteTextFile(seam, pagePath, page))
        return std::nullopt;
    return pagePath;
}

}  // namespace vellorin
