#include "view/message_page.h"

#include "base/helpers.h"

namespace vellorin {
namespace {

// Replaces every occurrence of `token`, left to right, without searching the inserted text
// again. An occurrence stays as it is when replacing it would take the whole text past `limit`.
std::string ReplaceToken(const std::string& text, std::string_view token, std::string_view value,
                         std::size_t limit) {
    std::size_t hit = text.find(token);
    if (hit == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    std::size_t done = 0;
    while (hit != std::string::npos) {
        out.append(text, done, hit - done);
        std::size_t rest = text.size() - hit - token.size();
        out.append(out.size() + value.size() + rest <= limit ? value : token);
        done = hit + token.size();
        hit = text.find(token, done);
    }
    out.append(text, done, std::string::npos);
    return out;
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
    std::string fromName = IsBlank(header.FromName) ? std::string() : header.FromName + " ";
    const std::pair<std::string_view, std::string_view> steps[] = {
        {"FN", fromName},         {"FEML", header.FromEmail},  {"DT", header.Date},
        {"RT", header.ReplyName}, {"REML", header.ReplyEmail}, {"SL", header.Subject},
        {"DESC", header.Body},
    };
    std::string page(templateText);
    for (const auto& [token, value] : steps)
        page = ReplaceToken(page, token, value, maxPageBytes);
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
