// The header block of a message and the page made from it.
//
// - ParseHeader on any description: the body is a tail of the description (all of it without
//   "header end -->"), no field without a complete block, no quotes in names or addresses.
// - A header written in the service's layout from fuzzed field values (values that cannot be
//   mistaken for a label or a marker) parses back to exactly those values.
// - FillTemplate on the shipped template and on a fuzzed one: never past the size limit, and
//   the plain sequence of replacements whenever that stays inside the limit; RenderMessagePage
//   writes that page, with a closing CR LF.
// - ShortTitle: the title, or its first four pieces and "...".
//
// Input: the whole input is a description; FuzzedDataProvider reads the rest from the same
// bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "view/message_header.h"
#include "view/message_page.h"

namespace vellorin::fuzz {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string Describe(const MessageHeader& h) {
    return "FromName=" + Quoted(h.FromName) + " FromEmail=" + Quoted(h.FromEmail) +
           " Subject=" + Quoted(h.Subject) + " Date=" + Quoted(h.Date) +
           " ReplyName=" + Quoted(h.ReplyName) + " ReplyEmail=" + Quoted(h.ReplyEmail) +
           " Body=" + Quoted(h.Body);
}

void CheckAnyDescription(const std::string& description, const MessageHeader& header) {
    const std::string detail = Quoted(description) + " gave " + Describe(header);
    FUZZ_CHECK(EndsWith(description, header.Body), detail);
    if (description.find("header end -->") == std::string::npos)
        FUZZ_CHECK(header.Body == description, detail);
    const std::size_t start = description.find("header start:");
    if (start == std::string::npos || description.find("header end", start) == std::string::npos) {
        MessageHeader none;
        none.Body = header.Body;
        FUZZ_CHECK(header == none, detail);
    }
    for (const std::string* field :
         {&header.FromName, &header.FromEmail, &header.ReplyName, &header.ReplyEmail})
        FUZZ_CHECK(field->find('"') == std::string::npos, detail);
    for (const std::string* name : {&header.FromName, &header.ReplyName})
        FUZZ_CHECK(name->find('<') == std::string::npos, detail);
    // A name is what stood before a "<", and the address after it then lost every ">".
    FUZZ_CHECK(header.FromName.empty() || header.FromEmail.find('>') == std::string::npos, detail);
    FUZZ_CHECK(header.ReplyName.empty() || header.ReplyEmail.find('>') == std::string::npos,
               detail);
}

// A value that reads back as itself inside a header block: nothing the parser looks for.
bool PlainValue(std::string_view value) {
    if (value.find_first_of("&<>\"") != std::string_view::npos)
        return false;
    const std::string lower = Lower(value);
    for (std::string_view label : {"from:", "subject", "date", "reply", "header"}) {
        if (lower.find(label) != std::string::npos)
            return false;
    }
    return true;
}

void CheckServiceLayout(FuzzedDataProvider& input) {
    const std::string eol = input.ConsumeBool() ? "\r\n" : "\n";
    MessageHeader given;
    for (std::string* field : {&given.FromName, &given.FromEmail, &given.Subject, &given.Date,
                               &given.ReplyName, &given.ReplyEmail}) {
        *field = input.ConsumeRandomLengthString(24);
        if (!PlainValue(*field))
            return;
    }
    // Inside "<" and ">" these addresses make the tags the block drops.
    for (const std::string* address : {&given.FromEmail, &given.ReplyEmail}) {
        if (*address == "p" || *address == "/p" || *address == "br /")
            return;
    }
    const std::string body = input.ConsumeRandomLengthString(200);
    const std::string description =
        "<!-- header start:" + eol + "from: &quot;" + given.FromName + "&quot; &lt;" +
        given.FromEmail + "&gt;<br />" + eol + "subject: " + given.Subject + "<br />" + eol +
        "date: " + given.Date + "<br />" + eol + "reply-to: &quot;" + given.ReplyName +
        "&quot; &lt;" + given.ReplyEmail + "&gt;<br />" + eol +
        "header end --><style type=\"text/css\">p { margin: 0; }</style>" + body;

    MessageHeader expected;
    expected.FromName = given.FromName + " ";
    expected.FromEmail = given.FromEmail + eol;
    expected.Subject = given.Subject + eol;
    expected.Date = given.Date + eol;
    expected.ReplyName = given.ReplyName + " ";
    expected.ReplyEmail = given.ReplyEmail + eol;
    expected.Body = "</style>" + body;
    const MessageHeader parsed = ParseHeader(description);
    FUZZ_CHECK(parsed == expected, Quoted(description) + "\nexpected " + Describe(expected) +
                                       "\nparsed   " + Describe(parsed));
}

// The tokens replaced in one pass from left to right (no token is the start of another, so at
// most one stands at any place), with no limit; nullopt when the template and every value put in
// could together pass `limit`, where the limit may keep a token as it is.
std::optional<std::string> PlainFill(std::string_view page, const MessageHeader& h,
                                     std::size_t limit) {
    const bool blankName = h.FromName.find_first_not_of(' ') == std::string::npos;
    const std::pair<std::string_view, std::string> tokens[] = {
        {"FN", blankName ? std::string() : h.FromName + " "},
        {"FEML", h.FromEmail},
        {"DT", h.Date},
        {"RT", h.ReplyName},
        {"REML", h.ReplyEmail},
        {"SL", h.Subject},
        {"DESC", h.Body},
    };
    std::string out;
    std::size_t bound = page.size();
    for (std::size_t at = 0; at < page.size();) {
        bool replaced = false;
        for (const auto& [token, value] : tokens) {
            if (page.substr(at, token.size()) == token) {
                out += value;
                bound += value.size();
                at += token.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += page[at++];
    }
    if (bound > limit)
        return std::nullopt;
    return out;
}

void CheckFill(std::string_view templateText, const MessageHeader& header, std::size_t limit) {
    const std::string page = FillTemplate(templateText, header, limit);
    const std::string detail = "template " + Quoted(templateText) + " limit " +
                               std::to_string(limit) + " header " + Describe(header);
    FUZZ_CHECK(page.size() <= std::max(limit, templateText.size()), detail);
    if (std::optional<std::string> plain = PlainFill(templateText, header, limit))
        FUZZ_CHECK(page == *plain, detail + "\ngave " + Quoted(page) + "\nnot " + Quoted(*plain));
}

void CheckShortTitle(const std::string& title) {
    const std::string shortTitle = ShortTitle(title);
    std::size_t cut = 0;
    int blanks = 0;
    for (; blanks < 4; ++blanks) {
        const std::size_t blank = title.find(' ', cut);
        if (blank == std::string::npos)
            break;
        cut = blank + 1;
    }
    const std::string expected = blanks < 4 ? title : title.substr(0, cut) + "...";
    FUZZ_CHECK(shortTitle == expected, Quoted(title) + " gave " + Quoted(shortTitle));
}

}  // namespace
}  // namespace vellorin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vellorin;
    using namespace vellorin::fuzz;
    static const ScratchFolder scratch;
    static const std::string appFolder = [] {
        const std::string folder = scratch.freshFolder("app");
        const std::string name(kTemplateFileName);
        WriteFile(folder + "/" + name, ReadFile(std::string(VELLORIN_RESOURCES_DIR) + "/" + name));
        return folder;
    }();
    static const std::string shippedTemplate =
        ReadFile(appFolder + "/" + std::string(kTemplateFileName));
    static const std::string dataFolder = scratch.freshFolder("data");

    const std::string description(reinterpret_cast<const char*>(data), size);
    const MessageHeader header = ParseHeader(description);
    CheckAnyDescription(description, header);
    CheckShortTitle(header.Subject);

    FuzzedDataProvider input(data, size);
    CheckServiceLayout(input);
    const std::size_t limit = input.ConsumeIntegralInRange<std::size_t>(0, 8192);
    CheckFill(shippedTemplate, header, kMaxPageBytes);
    CheckFill(input.ConsumeRandomLengthString(400), header, limit);

    QuietSeam seam;
    const std::optional<std::string> page = RenderMessagePage(seam, appFolder, dataFolder, header);
    FUZZ_CHECK(page.has_value() && seam.boxes == 0, seam.lastCaption);
    FUZZ_CHECK(ReadFile(*page) == FillTemplate(shippedTemplate, header) + "\r\n", Describe(header));
    return 0;
}
