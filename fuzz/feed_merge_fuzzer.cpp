// A fetched feed from its bytes to the inbox: DecodeFeed, then ProcessFeed into an empty inbox
// in a scratch data folder.
//
// - The decoded text is valid UTF-8.
// - The status is what the document is: blank, not well-formed, no RSS channel, or merged; a
//   document that is not merged touches no file.
// - Merged into an empty inbox, every item is new: each guid of the feed is stored once, nothing
//   else is, NewCount counts them, and each stored message holds the six keys and loads back
//   (LoadItem) whole, as the feed gave it.
// - A second merge of the same feed stores nothing and leaves the file as it was.
//
// What the feed "gave" is read here from the document with pugixml, independently of the merge.

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/app_context.h"
#include "base/clock.h"
#include "fuzz_support.h"
#include "inbox/feed_decoder.h"
#include "inbox/feed_parser.h"
#include "inbox/inbox_names.h"
#include "inbox/inbox_store.h"
#include "store/profile_file.h"
#include "subscriptions/subscriptions.h"

namespace vellorin::fuzz {
namespace {

constexpr const char* kSource = "{0A1B2C3D-0000-4000-8000-000000000001}";
constexpr const char* kSourceTitle = "Fuzzed source";

// Valid UTF-8: no stray continuation byte, no overlong form, no surrogate, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char lead = byte(i);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (byte(i + k) & 0x3F);
        }
        const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// The character data of an element and of everything inside it, in document order.
std::string TextOf(pugi::xml_node element) {
    struct Collect : pugi::xml_tree_walker {
        std::string text;
        bool for_each(pugi::xml_node& node) override {
            if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
                text += node.value();
            return true;
        }
    } collect;
    element.traverse(collect);
    return collect.text;
}

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// How the merge may read an item's fields. The trimmed readings are the sound ones; the key of a
// guid-less item may be made from the trimmed or the untrimmed title and pubDate.
struct Reading {
    bool trimFields;
    bool digestOfTrimmed;
    const char* name;
};

struct FeedItem {
    std::string title, guid, pubDate, description;
};

// A message as it loads back after the merge stored the item under `reading`.
InboxItem Expected(const FeedItem& raw, const Reading& reading) {
    const auto field = [&](const std::string& text) {
        return reading.trimFields ? Trimmed(text) : text;
    };
    InboxItem item;
    item.Title = field(raw.title);
    item.Guid = field(raw.guid);
    const std::string pubDate = field(raw.pubDate);
    if (item.Guid.empty()) {
        item.Guid = reading.digestOfTrimmed
                        ? ItemDigestGuid(Trimmed(raw.title), Trimmed(raw.pubDate), raw.description)
                        : ItemDigestGuid(raw.title, raw.pubDate, raw.description);
    }
    // Brackets become parentheses, and each line break reads back as CR LF; a character 5 of the
    // feed is a stored line break too.
    for (char c : raw.description) {
        if (c == '[')
            item.Description += '(';
        else if (c == ']')
            item.Description += ')';
        else if (c == '\n' || c == '\x05')
            item.Description += "\r\n";
        else
            item.Description += c;
    }
    SplitPubDate(pubDate, item.Date, item.Time, item.Offset);
    return item;
}

std::string Describe(const InboxItem& item) {
    return "Guid=" + Quoted(item.Guid) + " Title=" + Quoted(item.Title) +
           " Description=" + Quoted(item.Description) + " Date=" + Quoted(item.Date) +
           " Time=" + Quoted(item.Time) + " Offset=" + Quoted(item.Offset) +
           " Read=" + std::to_string(item.Read);
}

bool SameMessage(const InboxItem& a, const InboxItem& b) {
    return a.Guid == b.Guid && a.Title == b.Title && a.Description == b.Description &&
           a.Date == b.Date && a.Time == b.Time && a.Offset == b.Offset && a.Read == b.Read;
}

// The items of the first "channel" whose parent is an "rss" element; false when there is none.
bool ReadChannel(const pugi::xml_document& doc, std::vector<FeedItem>& items) {
    const pugi::xml_node channel = doc.find_node([](pugi::xml_node n) {
        return n.type() == pugi::node_element && std::strcmp(n.name(), "channel") == 0 &&
               n.parent().type() == pugi::node_element &&
               std::strcmp(n.parent().name(), "rss") == 0;
    });
    if (!channel)
        return false;
    for (pugi::xml_node element : channel.children("item")) {
        FeedItem item;
        for (pugi::xml_node child : element.children()) {
            if (child.type() != pugi::node_element)
                continue;
            const std::string_view name = child.name();
            if (name == "title")
                item.title = TextOf(child);
            else if (name == "guid")
                item.guid = TextOf(child);
            else if (name == "pubDate")
                item.pubDate = TextOf(child);
            else if (name == "description")
                item.description = TextOf(child);
        }
        items.push_back(std::move(item));
    }
    return true;
}

class FeedWorld {
public:
    FeedWorld()
        : data_(scratch_.file("data")),
          context_(AppOptions{scratch_.freshFolder("app"), data_, "", "vellorin"}, seam_, clock_) {}

    void reset() {
        profile::ClearProfileCache();
        scratch_.freshFolder("data");
        context_.subscriptions.EnsureDataFolder();
        context_.inbox.CurrentSourceID = kSource;
        seam_.boxes = 0;
    }
    AppContext& context() { return context_; }
    const QuietSeam& seam() const { return seam_; }
    std::string sourceFolder() { return context_.inbox.SourceFolder(); }
    std::string inboxPath() { return context_.inbox.InboxPath(); }

private:
    ScratchFolder scratch_;
    std::string data_;
    QuietSeam seam_;
    ManualClock clock_;
    AppContext context_;
};

// The stored inbox against the feed read as `reading`; the empty text when they agree, else what
// differs.
std::string Compare(FeedWorld& world, const std::vector<FeedItem>& feed, const Reading& reading,
                    int newCount) {
    std::vector<InboxItem> expected;
    std::set<std::string> guids;
    for (const FeedItem& raw : feed) {
        expected.push_back(Expected(raw, reading));
        guids.insert(expected.back().Guid);
    }
    const std::vector<std::string> sections = SplitNulList(
        profile::GetPrivateProfileString(std::nullopt, std::nullopt, "", world.inboxPath()));
    std::set<std::string> stored;
    for (const std::string& section : sections)
        stored.insert(GuidFromSectionName(section));
    std::string why;
    if (stored != guids || sections.size() != guids.size()) {
        why += "stored guids:";
        for (const std::string& section : sections)
            why += " " + Quoted(GuidFromSectionName(section));
        why += "\nfeed guids:";
        for (const std::string& guid : guids)
            why += " " + Quoted(guid);
        return why + "\n";
    }
    if (newCount != static_cast<int>(guids.size()))
        return "NewCount " + std::to_string(newCount) + " for " + std::to_string(guids.size()) +
               " guids\n";

    mInbox& inbox = world.context().inbox;
    for (const std::string& section : sections) {
        const std::string keys =
            profile::GetPrivateProfileString(section, std::nullopt, "", world.inboxPath());
        static constexpr char kKeys[] = "title\0description\0date\0time\0offset\0read\0";
        if (keys != std::string_view(kKeys, sizeof kKeys - 1))
            return "section " + Quoted(section) + " holds the keys " + Quoted(keys) + "\n";
        inbox.CurrentItem = InboxItem{};
        inbox.CurrentItem.Guid = GuidFromSectionName(section);
        if (!inbox.InboxItemAction(mInbox::LoadItem))
            return "LoadItem failed for " + Quoted(inbox.CurrentItem.Guid) + "\n";
        bool found = false;
        // With one guid on several items, the stored message is one of them.
        for (const InboxItem& item : expected)
            found = found || SameMessage(item, inbox.CurrentItem);
        if (!found) {
            why += "loaded  " + Describe(inbox.CurrentItem) + "\n";
            for (const InboxItem& item : expected) {
                if (item.Guid == inbox.CurrentItem.Guid)
                    why += "feed    " + Describe(item) + "\n";
            }
            return why;
        }
    }
    return {};
}

}  // namespace
}  // namespace vellorin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vellorin;
    using namespace vellorin::fuzz;
    static FeedWorld world;
    world.reset();

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedFeed decoded = DecodeFeed(bytes);
    FUZZ_CHECK(IsValidUtf8(decoded.text), "decoded as " + decoded.encoding + ": " +
                                              Quoted(decoded.text) + " from " + Quoted(bytes));

    std::string notifyText;
    const FeedMergeResult result =
        ProcessFeed(world.context(), decoded.text, kSourceTitle, false, notifyText);
    FUZZ_CHECK(world.seam().boxes == 0, world.seam().lastCaption);

    pugi::xml_document doc;
    std::vector<FeedItem> feed;
    FeedStatus status = FeedStatus::Merged;
    if (decoded.text.find_first_not_of(' ') == std::string::npos)
        status = FeedStatus::EmptyData;
    else if (!doc.load_buffer(decoded.text.data(), decoded.text.size(), pugi::parse_default,
                              pugi::encoding_utf8))
        status = FeedStatus::InvalidData;
    else if (!ReadChannel(doc, feed))
        status = FeedStatus::UnsupportedFormat;
    FUZZ_CHECK(result.status == status, "status " +
                                            std::to_string(static_cast<int>(result.status)) +
                                            " for " + Quoted(decoded.text));
    if (status != FeedStatus::Merged) {
        FUZZ_CHECK(!std::filesystem::exists(world.sourceFolder()), Quoted(decoded.text));
        FUZZ_CHECK(result.NewCount == 0 && notifyText.empty(), Quoted(decoded.text));
        return 0;
    }
    FUZZ_CHECK(result.items == static_cast<int>(feed.size()), Quoted(decoded.text));
    FUZZ_CHECK(
        notifyText == (result.NewCount > 0 ? NewMessagesSentence(result.NewCount, kSourceTitle)
                                           : std::string()),
        Quoted(notifyText));

    static constexpr Reading kReadings[] = {
        {true, true, "trimmed, key of trimmed"},
        {true, false, "trimmed, key of untrimmed"},
    };
    std::string why;
    bool agrees = false;
    for (const Reading& reading : kReadings) {
        const std::string difference = Compare(world, feed, reading, result.NewCount);
        if (difference.empty()) {
            agrees = true;
            break;
        }
        why += std::string("read as ") + reading.name + ":\n" + difference;
    }
    FUZZ_CHECK(agrees, why + "feed " + Quoted(decoded.text));

    const std::string stored = ReadFile(world.inboxPath());
    const FeedMergeResult again =
        ProcessFeed(world.context(), decoded.text, kSourceTitle, false, notifyText);
    FUZZ_CHECK(again.NewCount == 0, Quoted(decoded.text));
    FUZZ_CHECK(ReadFile(world.inboxPath()) == stored, Quoted(decoded.text));
    return 0;
}
