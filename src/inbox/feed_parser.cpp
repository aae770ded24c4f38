#include "inbox/feed_parser.h"

#include <pugixml.hpp>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/app_context.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_snapshot.h"
#include "inbox/inbox_store.h"

namespace vellorin {
namespace {

constexpr const char* kCheckFailedPrefix = "Process of checking for new Messages failed! ";

// Every occurrence of `what` in `text` (left to right, not overlapping) removed.
std::string RemoveAll(std::string text, std::string_view what) {
    if (what.empty())
        return text;
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, from)) {
        out.append(text, from, at - from);
        from = at + what.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

// The node after `node` in document order, staying inside the subtree of `root`; null at its end.
// Iterative, so a deeply nested document cannot exhaust the stack.
pugi::xml_node NextInDocumentOrder(pugi::xml_node node, pugi::xml_node root) {
    if (pugi::xml_node child = node.first_child())
        return child;
    while (node && node != root) {
        if (pugi::xml_node sibling = node.next_sibling())
            return sibling;
        node = node.parent();
    }
    return {};
}

// The text of an element: its character data and that of every element inside it, in document
// order (CDATA sections included), as the element's text value reads in the DOM.
std::string ElementText(pugi::xml_node element) {
    // The common case, a single text or CDATA child, without a walk.
    pugi::xml_node first = element.first_child();
    if (first && !first.next_sibling() &&
        (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata)) {
        return first.value();
    }
    std::string text;
    for (pugi::xml_node n = NextInDocumentOrder(element, element); n;
         n = NextInDocumentOrder(n, element)) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
            text += n.value();
    }
    return text;
}

// The text without the blanks, tabs, CRs and LFs around it: servers that pretty-print their feeds
// put an element's text on a line of its own, indented.
std::string TrimXmlSpace(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// The first element "channel" whose parent is an element "rss", in document order.
pugi::xml_node FindChannel(const pugi::xml_document& doc) {
    for (pugi::xml_node n = NextInDocumentOrder(doc, doc); n; n = NextInDocumentOrder(n, doc)) {
        if (n.type() == pugi::node_element && std::strcmp(n.name(), "channel") == 0) {
            pugi::xml_node parent = n.parent();
            if (parent.type() == pugi::node_element && std::strcmp(parent.name(), "rss") == 0)
                return n;
        }
    }
    return {};
}

// The stored form of a description: brackets become parentheses (the inbox's section names use
// them) and line feeds become the field separator.
std::string PrepareDescription(std::string text) {
    for (char& c : text) {
        if (c == '[')
            c = '(';
        else if (c == ']')
            c = ')';
        else if (c == '\n')
            c = kFieldSeparator;
    }
    return text;
}

void AppendDigest(std::uint64_t& hash, std::string_view bytes) {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    auto mix = [&](unsigned char byte) {
        hash ^= byte;
        hash *= kPrime;
    };
    std::uint64_t length = bytes.size();
    for (int i = 0; i < 8; ++i)
        mix(static_cast<unsigned char>(length >> (8 * i)));
    for (char c : bytes)
        mix(static_cast<unsigned char>(c));
}

// Restores the inbox's own setting for IsNew's failure box when the merge ends.
class IsNewBoxScope {
public:
    IsNewBoxScope(mInbox& inbox, bool interactive) : inbox_(inbox), saved_(inbox.interactive()) {
        inbox_.setInteractive(interactive);
    }
    ~IsNewBoxScope() { inbox_.setInteractive(saved_); }
    IsNewBoxScope(const IsNewBoxScope&) = delete;
    IsNewBoxScope& operator=(const IsNewBoxScope&) = delete;

private:
    mInbox& inbox_;
    bool saved_;
};

FeedMergeResult Fail(AppContext& context, FeedStatus status, bool interactiveCheck) {
    if (interactiveCheck)
        context.seam().messageBox(FeedFailureMessage(status));
    return FeedMergeResult{status, 0, 0};
}

}  // namespace

MessageBoxRequest FeedFailureMessage(FeedStatus status) {
    MessageBoxRequest request;
    request.icon = MsgIcon::Exclamation;
    request.buttons = MsgButtons::OK;
    switch (status) {
        case FeedStatus::EmptyData:
            request.caption = "Error!";
            request.text = std::string(kCheckFailedPrefix) + "Server returned empty Data stream.";
            break;
        case FeedStatus::InvalidData:
            request.caption = "Server returned Invalid Data!";
            request.text =
                std::string(kCheckFailedPrefix) + "Server returned data in invalid format.";
            break;
        case FeedStatus::UnsupportedFormat:
            request.caption = "Server returned Data in unsupported format!";
            request.text = std::string(kCheckFailedPrefix) +
                           "Data returned by Server is not in expected format.";
            break;
        case FeedStatus::Merged:
            break;
    }
    return request;
}

MessageBoxRequest SaveFailureMessage(int error) {
    MessageBoxRequest request;
    request.caption = "Error ! (Source : SaveItem)";
    request.text = std::to_string(error) + " : \r\n\r\n" + std::strerror(error);
    request.icon = MsgIcon::Critical;
    request.buttons = MsgButtons::OK;
    return request;
}

std::string NewMessagesSentence(int newCount, std::string_view sourceTitle) {
    return "You have " + std::to_string(newCount) + " New Messages \r\n in " +
           std::string(sourceTitle) + " account.\r\n\r\n";
}

void SplitPubDate(std::string pubDate, std::string& date, std::string& time, std::string& offset) {
    const std::size_t firstColon = pubDate.find(':');
    // The date is what stands before the blank and the two hour digits; without room for them
    // (or without any colon) there is no cut to make.
    if (firstColon == std::string::npos || firstColon < 4) {
        date.clear();
        time.clear();
        offset = std::move(pubDate);
        return;
    }
    date = pubDate.substr(0, firstColon - 3);
    std::string rest = RemoveAll(std::move(pubDate), date + " ");
    // The date holds no colon, so removing it left every colon in place.
    const std::size_t lastColon = rest.rfind(':');
    time = rest.substr(0, lastColon + 3);
    offset = RemoveAll(std::move(rest), time + " ");
}

std::string ItemDigestGuid(std::string_view title, std::string_view pubDate,
                           std::string_view description) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    AppendDigest(hash, title);
    AppendDigest(hash, pubDate);
    AppendDigest(hash, description);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string key = "fnv1a64:";
    for (int shift = 60; shift >= 0; shift -= 4)
        key += kHex[(hash >> shift) & 0xF];
    return key;
}

FeedMergeResult ProcessFeed(AppContext& context, std::string_view document,
                            const std::string& sourceTitle, bool interactiveCheck,
                            std::string& NotifyText) {
    if (IsBlank(document))
        return Fail(context, FeedStatus::EmptyData, interactiveCheck);

    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(document.data(), document.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        return Fail(context, FeedStatus::InvalidData, interactiveCheck);

    const pugi::xml_node channel = FindChannel(doc);
    if (!channel)
        return Fail(context, FeedStatus::UnsupportedFormat, interactiveCheck);

    mInbox& inbox = context.inbox;
    IsNewBoxScope boxScope(inbox, interactiveCheck);
    // Every item is compared with the newest message stored before this feed, so several new
    // items are all stored whatever their order.
    inbox.LoadLatestStamp();

    // The new items are written together at the end, in one append that a crash leaves whole or
    // undone: a merge stopped half way must not store some items, whose stamps would then make
    // the rest look old at the next check.
    std::vector<InboxItem> fresh;
    FeedMergeResult result;
    {
        const InboxSnapshot stored(inbox.InboxPath());
        const StoredSectionLookup storedName =
            [&stored](std::string_view section) -> std::optional<std::string> {
            const std::optional<std::string_view> name = stored.storedName(section);
            return name ? std::optional<std::string>(*name) : std::nullopt;
        };
        for (pugi::xml_node item : channel.children("item")) {
            ++result.items;
            InboxItem& current = inbox.CurrentItem;
            current = InboxItem{};
            std::string pubDate;
            std::string description;
            for (pugi::xml_node child : item.children()) {
                if (child.type() != pugi::node_element)
                    continue;
                const char* name = child.name();
                if (std::strcmp(name, "title") == 0) {
                    current.Title = ElementText(child);
                } else if (std::strcmp(name, "description") == 0) {
                    description = ElementText(child);
                } else if (std::strcmp(name, "pubDate") == 0) {
                    pubDate = ElementText(child);
                } else if (std::strcmp(name, "guid") == 0) {
                    current.Guid = TrimXmlSpace(ElementText(child));
                }
            }
            // The digest takes the texts untrimmed, so guid-less items stored by earlier versions
            // keep their keys.
            if (current.Guid.empty())
                current.Guid = ItemDigestGuid(current.Title, pubDate, description);
            current.Title = TrimXmlSpace(current.Title);
            current.Description = PrepareDescription(std::move(description));
            SplitPubDate(TrimXmlSpace(pubDate), current.Date, current.Time, current.Offset);
            current.Read = 0;

            if (!FindSectionForGuid(current.Guid, storedName) && inbox.IsNew())
                fresh.push_back(current);
        }
    }

    const SaveItemsResult saved = inbox.SaveItems(fresh);
    result.NewCount = saved.stored;
    result.saveError = saved.error;
    if (saved.error != 0 && interactiveCheck)
        context.seam().messageBox(SaveFailureMessage(saved.error));

    if (result.NewCount > 0)
        NotifyText += NewMessagesSentence(result.NewCount, sourceTitle);
    return result;
}

}  // namespace vellorin
