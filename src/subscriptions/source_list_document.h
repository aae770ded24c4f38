#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "util/atomic_file.h"

namespace vellorin {

// One source as the list holds it. Attributes are taken by position: the first is the
// identifier, the second the title; a missing one reads as empty text.
struct SourceEntry {
    std::string id;
    std::string title;
    std::string link;  // the element's text content, untrimmed
};

// The subscription list file in memory (pugixml). The list is the first element named "sources"
// anywhere in the document; its sources are its child elements in document order, whatever their
// names. Whitespace-only text is dropped on loading; the XML declaration and comments are kept,
// and saving writes them back unchanged, in UTF-8, with nothing added between the elements. Not
// shared between threads.
class SourceListDocument {
public:
    enum class LoadStatus {
        kOk,
        kDamaged,  // unreadable, empty, not well-formed, or more than one top-level element
        kNoList,   // well-formed, but no element "sources"
    };

    // Reads and parses the file at `path` (which must exist).
    [[nodiscard]] LoadStatus load(const std::string& path);
    // Parses the text of a list file; the same outcomes as load().
    [[nodiscard]] LoadStatus parse(std::string_view text);

    // The sources in document order.
    std::vector<SourceEntry> entries() const;
    std::size_t count() const;

    // Sets the title (second attribute, created as "title" when missing) and the text content of
    // every source whose text content equals `link` exactly. Gives the number of sources changed.
    std::size_t updateWhereLink(std::string_view link, std::string_view newTitle,
                                std::string_view newLink);
    // Removes every source whose text content equals `link` exactly; gives how many went.
    std::size_t removeWhereLink(std::string_view link);
    // Appends an element "source" with attributes "id" and "title", in that order, and `link` as
    // its text, as the last child of the list.
    void append(std::string_view id, std::string_view title, std::string_view link);

    // The whole document as it is written back. A CR in a title or link is written as a
    // character reference, so that it reads back as CR, not as LF.
    std::string text() const;
    // Replaces the file at `path` with text() (temporary file, flush, rename).
    [[nodiscard]] IoStatus save(const std::string& path) const;

private:
    static std::string textContent(pugi::xml_node node);
    static void setTextContent(pugi::xml_node node, std::string_view text);
    std::vector<pugi::xml_node> sourceNodes() const;

    pugi::xml_document doc_;
    pugi::xml_node list_;
};

}  // namespace vellorin
