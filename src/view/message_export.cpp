#include "view/message_export.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/app_context.h"
#include "base/helpers.h"
#include "view/message_node.h"

namespace vellorin {
namespace {

constexpr std::string_view kCRLF = "\r\n";
constexpr std::size_t kMaxFileNameBytes = 255;

constexpr ExportDialogSettings kExportDialogs[] = {
    {"HTML File (*.html)", "Save Article Description as ...", "htm", "HTML Files|*.htm;*.html",
     true},
    {"Text File (*.txt)", "Save Article Description as ...", "txt", "Text Files|*.txt", true},
    {"Email File (*.eml)", "Save Article Description as ...", "eml",
     "Email Draft Files (*.eml)|*.eml", false},
};

// Trailing blanks removed (only spaces, as the draft's name fields need).
std::string_view TrimTrailingSpaces(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// A header field's value on one line: the header block carries each value with the line break
// that ended it, and a line break inside a mail header would end the field there; an empty line
// would end the whole header, leaving the rest of it (the date, the content type) in the body.
// Each run of CRs and LFs becomes one space; blanks and line breaks at the end go.
std::string OneLineValue(std::string_view value) {
    std::string line;
    line.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\r' && value[i] != '\n') {
            line += value[i];
            continue;
        }
        while (i + 1 < value.size() && (value[i + 1] == '\r' || value[i + 1] == '\n'))
            ++i;
        line += ' ';
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    return line;
}

std::string HtmlPage(std::string_view title, std::string_view body) {
    std::string page = "<html><head><title>";
    page.append(title).append("</title></head><body>").append(body).append("</body></html>");
    return page;
}

// The length of the longest prefix of `text` of at most `limit` bytes that does not end inside a
// UTF-8 sequence.
std::size_t Utf8Prefix(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text.size();
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

// Whether `name` ends in "." + `extension`, letter case aside, with something before the dot.
bool EndsWithExtension(std::string_view name, std::string_view extension) {
    if (extension.empty() || name.size() < extension.size() + 2)
        return false;
    const std::size_t dot = name.size() - extension.size() - 1;
    if (name[dot] != '.')
        return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[dot + 1 + i])) !=
            std::tolower(static_cast<unsigned char>(extension[i])))
            return false;
    }
    return true;
}

}  // namespace

const ExportDialogSettings* ExportDialogFor(std::int16_t index) {
    if (index < 0 || index > 2)
        return nullptr;
    return &kExportDialogs[index];
}

std::string SafeFileName(std::string_view title, std::string_view extension) {
    std::string name;
    name.reserve(title.size());
    for (char c : title) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            continue;
        if (c == '/')
            name += '_';
        else if (byte < 0x20 || byte == 0x7F)
            name += ' ';
        else
            name += c;
    }
    const std::size_t room =
        kMaxFileNameBytes > extension.size() + 1 ? kMaxFileNameBytes - extension.size() - 1 : 0;
    name.resize(Utf8Prefix(name, room));
    if (name == "." || name == "..")
        name.clear();
    return name;
}

std::string WithDefaultExtension(const std::string& path, std::string_view extension,
                                 std::string_view filter) {
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    // A path naming a folder ("dir/") stays as it is, and the write reports it.
    if (start == path.size())
        return path;
    const std::string_view name = std::string_view(path).substr(start);
    if (EndsWithExtension(name, extension))
        return path;
    // The filter's patterns, after its descriptions: "HTML Files|*.htm;*.html".
    for (std::size_t bar = filter.find('|'); bar != std::string_view::npos;
         bar = filter.find('|', filter.find('|', bar + 1))) {
        std::string_view patterns = filter.substr(bar + 1);
        patterns = patterns.substr(0, patterns.find('|'));
        while (!patterns.empty()) {
            const std::size_t semicolon = patterns.find(';');
            const std::string_view pattern = patterns.substr(0, semicolon);
            if (pattern.starts_with("*.") && EndsWithExtension(name, pattern.substr(2)))
                return path;
            patterns.remove_prefix(semicolon == std::string_view::npos ? patterns.size()
                                                                       : semicolon + 1);
        }
    }
    return path + "." + std::string(extension);
}

bool ConfirmReplace(UserSeam& seam, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        return true;
    return seam.messageBox(
               "Confirm Save As", path + " already exists.\r\nDo you want to replace it?",
               MsgIcon::Exclamation, MsgButtons::YesNo, MsgDefault::Second) == MsgAnswer::Yes;
}

std::string HtmlExportText(const InboxItem& item) {
    return HtmlPage(item.Title, item.Description);
}

std::string TextExportText(const MessageHeader& h) {
    std::string text;
    text.append("From       :   ").append(h.FromName).append(" (").append(h.FromEmail).append(")");
    text.append(kCRLF);
    text.append("Reply-To   :   ").append(h.ReplyName).append(" (").append(h.ReplyEmail);
    text.append(")").append(kCRLF);
    text.append("Subject    :   ").append(h.Subject).append(kCRLF);
    text.append("Date & Time:   ").append(h.Date).append(kCRLF);
    text.append(kCRLF).append(kCRLF);
    text.append(h.Body);
    return text;
}

std::string EmailExportText(const std::string& title, const MessageHeader& h) {
    std::string text;
    text.append("Envelope-to: ").append(kCRLF);
    text.append("From: \"").append(OneLineValue(TrimTrailingSpaces(h.FromName))).append("\"<");
    text.append(OneLineValue(h.FromEmail)).append(">").append(kCRLF);
    text.append("Reply-To: \"").append(OneLineValue(TrimTrailingSpaces(h.ReplyName))).append("\"<");
    text.append(OneLineValue(h.ReplyEmail)).append(">").append(kCRLF);
    text.append("Subject: ").append(OneLineValue(h.Subject)).append(kCRLF);
    text.append("Date: ").append(OneLineValue(h.Date)).append(kCRLF);
    text.append("MIME-Version: 1.0").append(kCRLF);
    text.append("Content-Type: text/html;").append(kCRLF);
    text.append("    charset = \"UTF-8\"").append(kCRLF);
    text.append("Content -Transfer - encoding: quoted -printable").append(kCRLF);
    text.append(kCRLF);
    text.append(HtmlPage(title, h.Body));
    return text;
}

ExportResult MessageExport::mnuPopupSourceExportOpt_Click(std::int16_t index) {
    const ExportDialogSettings* settings = ExportDialogFor(index);
    const std::optional<MessageNodeRef> message = SelectedMessage(tvMessages_);
    if (!settings || !message)
        return {ExportOutcome::NoMessage, {}};

    mInbox& inbox = context_.inbox;
    inbox.CurrentSourceID = message->sourceId;
    inbox.CurrentItem.Guid = message->guid;
    if (!inbox.InboxItemAction(mInbox::LoadItem))
        return {ExportOutcome::NotStored, {}};
    // The dialog lets events run, which may load another message into CurrentItem.
    const InboxItem item = inbox.CurrentItem;

    SaveFileRequest request;
    request.title = settings->title;
    request.defaultExtension = settings->defaultExtension;
    request.filter = settings->filter;
    if (settings->proposesTitle) {
        request.fileName = SafeFileName(item.Title, settings->defaultExtension);
        if (!request.fileName.empty())
            request.fileName += "." + request.defaultExtension;
    }
    const std::optional<std::string> chosen = dialog_.ShowSave(request);
    if (!chosen || IsBlank(*chosen))
        return {ExportOutcome::Cancelled, {}};

    std::string path = WithDefaultExtension(*chosen, settings->defaultExtension, settings->filter);
    if (!ConfirmReplace(context_.seam(), path))
        return {ExportOutcome::Cancelled, std::move(path)};
    std::string content;
    switch (static_cast<ExportFormat>(index)) {
        case ExportFormat::Html:
            content = HtmlExportText(item);
            break;
        case ExportFormat::Text:
            content = TextExportText(ParseHeader(item.Description));
            break;
        case ExportFormat::Email:
            content = EmailExportText(item.Title, ParseHeader(item.Description));
            break;
    }
    if (!WriteTextFile(context_.seam(), path, content))
        return {ExportOutcome::WriteFailed, std::move(path)};
    return {ExportOutcome::Written, std::move(path)};
}

}  // namespace vellorin
