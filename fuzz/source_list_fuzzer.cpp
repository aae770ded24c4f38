// The subscription list file. Any bytes load without harm; a list that loads is written back
// as text that loads as the same list (and is written the same way again), both in memory and
// through the file; and the changes the program makes (append, update by link, remove by link)
// give, once saved and loaded again, the list a plain model of them predicts.
//
// Input: the file's bytes, then the changes, read by FuzzedDataProvider from what is left.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "subscriptions/source_list_document.h"

namespace vellorin::fuzz {
namespace {

bool SameEntries(const std::vector<SourceEntry>& a, const std::vector<SourceEntry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.id == y.id && x.title == y.title && x.link == y.link;
    });
}

std::string Describe(const std::vector<SourceEntry>& list) {
    std::string out;
    for (const SourceEntry& e : list)
        out +=
            "  id=" + Quoted(e.id) + " title=" + Quoted(e.title) + " link=" + Quoted(e.link) + "\n";
    return out.empty() ? "  (no sources)\n" : out;
}

void CheckSame(const std::vector<SourceEntry>& expected, const std::vector<SourceEntry>& actual,
               const std::string& what, const std::string& text) {
    FUZZ_CHECK(SameEntries(expected, actual), what + "\nexpected:\n" + Describe(expected) +
                                                  "read back:\n" + Describe(actual) +
                                                  "from the text " + Quoted(text));
}

// A text the program may hand to the document: the C strings of pugixml end at the first NUL.
std::string TakeText(FuzzedDataProvider& input, std::size_t maxLength) {
    std::string text = input.ConsumeRandomLengthString(maxLength);
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return text;
}

// A link as the program stores one: never blank (links are checked before they are stored, and
// the list drops whitespace-only text on loading, by design).
bool StorableLink(const std::string& link) {
    return link.find_first_not_of(" \t\r\n") != std::string::npos;
}

// Saved and loaded again through a real file: the same list. Written and loaded once more: the
// same list and the same text, so that every later save leaves the file as it is. (The first
// save may still change the text: it drops what the load set aside, such as a whitespace-only
// text node written as a character reference.)
void CheckSavedListLoadsBack(const ScratchFolder& scratch, const SourceListDocument& document,
                             const std::vector<SourceEntry>& expected, const std::string& what) {
    const std::string path = scratch.file("subscriptions.dat");
    FUZZ_CHECK(document.save(path).ok(), what);
    const std::string text = ReadFile(path);
    FUZZ_CHECK(text == document.text(), what);
    SourceListDocument again;
    FUZZ_CHECK(again.load(path) == SourceListDocument::LoadStatus::kOk,
               what + ": the saved list does not load: " + Quoted(text));
    CheckSame(expected, again.entries(), what, text);

    const std::string second = again.text();
    SourceListDocument third;
    FUZZ_CHECK(third.parse(second) == SourceListDocument::LoadStatus::kOk, Quoted(second));
    CheckSame(expected, third.entries(), what + ", saved twice", second);
    FUZZ_CHECK(third.text() == second, what + ": written differently the third time: " +
                                           Quoted(second) + " then " + Quoted(third.text()));
}

}  // namespace
}  // namespace vellorin::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vellorin;
    using namespace vellorin::fuzz;
    static const ScratchFolder scratch;
    FuzzedDataProvider input(data, size);

    const std::string file = input.ConsumeRandomLengthString(size);
    SourceListDocument document;
    if (document.parse(file) != SourceListDocument::LoadStatus::kOk) {
        FUZZ_CHECK(document.entries().empty(), "a list that did not load has sources");
        return 0;
    }
    std::vector<SourceEntry> model = document.entries();
    FUZZ_CHECK(model.size() == document.count(), Quoted(file));
    CheckSavedListLoadsBack(scratch, document, model, "loaded list " + Quoted(file));

    for (int step = 0; step < 8 && input.remaining_bytes() > 0; ++step) {
        // A link of the list, so that updates and removals find something, or a new one.
        std::string link;
        if (!model.empty() && input.ConsumeBool())
            link = model[input.ConsumeIntegralInRange<std::size_t>(0, model.size() - 1)].link;
        else
            link = TakeText(input, 40);
        switch (input.ConsumeIntegralInRange(0, 2)) {
            case 0: {
                const std::string id = TakeText(input, 40);
                const std::string title = TakeText(input, 40);
                if (!StorableLink(link))
                    continue;
                document.append(id, title, link);
                model.push_back(SourceEntry{id, title, link});
                break;
            }
            case 1: {
                const std::string title = TakeText(input, 40);
                const std::string newLink = TakeText(input, 40);
                if (!StorableLink(newLink))
                    continue;
                std::size_t matches = 0;
                for (SourceEntry& e : model) {
                    if (e.link == link) {
                        e.title = title;
                        e.link = newLink;
                        ++matches;
                    }
                }
                FUZZ_CHECK(document.updateWhereLink(link, title, newLink) == matches, Quoted(link));
                break;
            }
            case 2: {
                std::size_t matches =
                    std::erase_if(model, [&](const SourceEntry& e) { return e.link == link; });
                FUZZ_CHECK(document.removeWhereLink(link) == matches, Quoted(link));
                break;
            }
        }
        CheckSame(model, document.entries(), "in memory after a change", document.text());
    }
    CheckSavedListLoadsBack(scratch, document, model, "changed list from " + Quoted(file));
    return 0;
}
