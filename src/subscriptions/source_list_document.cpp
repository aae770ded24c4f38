#include "subscriptions/source_list_document.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace vellorin {
namespace {

// The default options drop whitespace-only text, so the list's children are exactly its
// sources; the declaration and comments are kept so that saving gives them back.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_comments;

class StringWriter final : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        out_.append(static_cast<const char*>(data), size);
    }

private:
    std::string& out_;
};

std::string AttributeAt(pugi::xml_node node, int position) {
    pugi::xml_attribute a = node.first_attribute();
    for (int i = 0; i < position && a; ++i)
        a = a.next_attribute();
    return a ? a.value() : std::string();
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The encoding to read the bytes in. pugixml's own guess takes the first "encoding=" anywhere in
// the declaration, even inside another attribute ("xencoding="), while the file is written back in
// UTF-8 with only the attribute named "encoding" set right: a damaged declaration would then read
// the same bytes differently after every save. So the declaration is read first and only its real
// encoding attribute counts. Text with a byte-order mark or NUL bytes (UTF-16 or UTF-32) is left
// to pugixml's detection.
pugi::xml_encoding EncodingOf(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF") || text.find('\0') != std::string_view::npos ||
        text.starts_with("\xFE\xFF") || text.starts_with("\xFF\xFE")) {
        return pugi::encoding_auto;
    }
    if (!text.starts_with("<?xml"))
        return pugi::encoding_utf8;
    const std::size_t end = text.find("?>");
    if (end == std::string_view::npos)
        return pugi::encoding_utf8;
    pugi::xml_document declaration;
    // An element after it, as a document without one does not parse.
    const std::string head = std::string(text.substr(0, end + 2)) + "<x/>";
    if (!declaration.load_buffer(head.data(), head.size(), pugi::parse_declaration,
                                 pugi::encoding_utf8)) {
        return pugi::encoding_utf8;
    }
    const char* named = declaration.first_child().attribute("encoding").value();
    for (const char* latin1 : {"ISO-8859-1", "ISO8859-1", "latin1", "latin-1"}) {
        if (::strcasecmp(named, latin1) == 0)
            return pugi::encoding_latin1;
    }
    return pugi::encoding_utf8;
}

// Removes every text node that holds nothing but blanks and line breaks. Parsing drops such text
// only when it is written out raw; one written as character references ("&#9;") would otherwise
// stay, be written back raw and be dropped at the next load, so a link would change on a save.
void DropWhitespaceText(pugi::xml_node root) {
    std::vector<pugi::xml_node> blank;
    for (pugi::xml_node n = root.first_child(); n;) {
        if (n.type() == pugi::node_pcdata) {
            const std::string_view value = n.value();
            if (std::all_of(value.begin(), value.end(), IsXmlSpace))
                blank.push_back(n);
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling())
            n = n.parent();
        if (!n || n == root)
            break;
        n = n.next_sibling();
    }
    for (pugi::xml_node n : blank)
        n.parent().remove_child(n);
}

}  // namespace

SourceListDocument::LoadStatus SourceListDocument::load(const std::string& path) {
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes)
        return LoadStatus::kDamaged;
    return parse(*bytes);
}

SourceListDocument::LoadStatus SourceListDocument::parse(std::string_view text) {
    doc_.reset();
    list_ = pugi::xml_node();
    pugi::xml_parse_result result =
        doc_.load_buffer(text.data(), text.size(), kParseOptions, EncodingOf(text));
    if (!result)
        return LoadStatus::kDamaged;
    DropWhitespaceText(doc_);
    // pugixml accepts a fragment with several top-level elements; a list file has one root.
    int roots = 0;
    for (pugi::xml_node n : doc_.children()) {
        if (n.type() == pugi::node_element)
            ++roots;
        else if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata)
            return LoadStatus::kDamaged;
    }
    if (roots != 1)
        return LoadStatus::kDamaged;
    list_ = doc_.find_node([](pugi::xml_node n) {
        return n.type() == pugi::node_element && std::strcmp(n.name(), "sources") == 0;
    });
    if (!list_)
        return LoadStatus::kNoList;
    // The file is written back in UTF-8, so a declaration naming another encoding would be wrong.
    pugi::xml_node decl = doc_.first_child();
    if (decl.type() == pugi::node_declaration) {
        pugi::xml_attribute encoding = decl.attribute("encoding");
        if (encoding && ::strcasecmp(encoding.value(), "UTF-8") != 0)
            encoding.set_value("UTF-8");
    }
    return LoadStatus::kOk;
}

std::vector<pugi::xml_node> SourceListDocument::sourceNodes() const {
    std::vector<pugi::xml_node> nodes;
    for (pugi::xml_node n : list_.children()) {
        if (n.type() == pugi::node_element)
            nodes.push_back(n);
    }
    return nodes;
}

std::vector<SourceEntry> SourceListDocument::entries() const {
    std::vector<SourceEntry> out;
    for (pugi::xml_node n : sourceNodes())
        out.push_back(SourceEntry{AttributeAt(n, 0), AttributeAt(n, 1), textContent(n)});
    return out;
}

std::size_t SourceListDocument::count() const {
    return sourceNodes().size();
}

std::size_t SourceListDocument::updateWhereLink(std::string_view link, std::string_view newTitle,
                                                std::string_view newLink) {
    std::size_t changed = 0;
    const std::string title(newTitle);
    for (pugi::xml_node n : sourceNodes()) {
        if (textContent(n) != link)
            continue;
        pugi::xml_attribute first = n.first_attribute();
        if (!first)
            first = n.append_attribute("id");
        pugi::xml_attribute second = first.next_attribute();
        if (!second)
            second = n.append_attribute("title");
        second.set_value(title.c_str());
        setTextContent(n, newLink);
        ++changed;
    }
    return changed;
}

std::size_t SourceListDocument::removeWhereLink(std::string_view link) {
    std::size_t removed = 0;
    for (pugi::xml_node n : sourceNodes()) {
        if (textContent(n) == link && list_.remove_child(n))
            ++removed;
    }
    return removed;
}

void SourceListDocument::append(std::string_view id, std::string_view title,
                                std::string_view link) {
    pugi::xml_node n = list_.append_child("source");
    n.append_attribute("id").set_value(std::string(id).c_str());
    n.append_attribute("title").set_value(std::string(title).c_str());
    setTextContent(n, link);
}

std::string SourceListDocument::text() const {
    // Each top-level node (declaration, comments, the list) on a line of its own, and the line
    // breaks inside comments (read as LF) written back as CR LF, as the file was first written;
    // inside the list nothing is added between the sources.
    //
    // pugixml writes a CR in an attribute as a character reference but a CR in text as the raw
    // byte, which the next load turns into LF (end-of-line handling), so a link holding CR would
    // change with every rewrite. Loading has already turned every raw CR of the file into LF, so
    // a CR in the printed list can only be text content set since, and is written as a reference.
    std::string out;
    for (pugi::xml_node n : doc_.children()) {
        std::string node;
        StringWriter writer(node);
        n.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
        const bool comment = n.type() == pugi::node_comment;
        for (char c : node) {
            if (c == '\r' && !comment) {
                out.append("&#13;");
                continue;
            }
            if (c == '\n' && comment)
                out.push_back('\r');
            out.push_back(c);
        }
        out.append("\r\n");
    }
    return out;
}

IoStatus SourceListDocument::save(const std::string& path) const {
    return WriteFileAtomic(path, text());
}

std::string SourceListDocument::textContent(pugi::xml_node node) {
    // The concatenated text of every text node below the element, as a DOM's text content.
    std::string out;
    for (pugi::xml_node d = node.first_child(); d;) {
        if (d.type() == pugi::node_pcdata || d.type() == pugi::node_cdata)
            out += d.value();
        if (d.first_child()) {
            d = d.first_child();
            continue;
        }
        while (d && d != node && !d.next_sibling())
            d = d.parent();
        if (!d || d == node)
            break;
        d = d.next_sibling();
    }
    return out;
}

void SourceListDocument::setTextContent(pugi::xml_node node, std::string_view text) {
    while (node.first_child())
        node.remove_child(node.first_child());
    if (!text.empty())
        node.append_child(pugi::node_pcdata).set_value(std::string(text).c_str());
}

}  // namespace vellorin
