#include "view/page_nesting.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace vellorin {
namespace {

using Doc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

bool IsTable(const xmlNode* node) {
    return node->name != nullptr &&
           std::strcmp(reinterpret_cast<const char*>(node->name), "table") == 0;
}

// Puts the children of `node` in its place and removes it; gives what now stands where it stood
// (the first of its children, or what followed it when it had none). A moved text node may be
// merged into the text before it, so the answer is found from the neighbours, not the children.
xmlNode* Unwrap(xmlNode* node) {
    xmlNode* parent = node->parent;
    xmlNode* prev = node->prev;
    while (xmlNode* child = node->children) {
        xmlUnlinkNode(child);
        xmlAddPrevSibling(node, child);
    }
    xmlUnlinkNode(node);
    xmlFreeNode(node);
    return prev != nullptr ? prev->next : parent->children;
}

// Walks the tree without recursion (the depth is what is in question); true when it unwrapped
// an element.
bool Flatten(xmlNode* root, NestingLimits limits) {
    struct Level {
        xmlNode* node;
        int tables;
    };
    bool changed = false;
    std::vector<Level> path;
    xmlNode* node = root;
    int tables = 0;
    while (node != nullptr || !path.empty()) {
        if (node == nullptr) {
            node = path.back().node->next;
            tables = path.size() > 1 ? path[path.size() - 2].tables : 0;
            path.pop_back();
            continue;
        }
        if (node->type != XML_ELEMENT_NODE) {
            node = node->next;
            continue;
        }
        const int nodeTables = tables + (IsTable(node) ? 1 : 0);
        if (static_cast<int>(path.size()) >= limits.elements || nodeTables > limits.tables) {
            node = Unwrap(node);
            changed = true;
            continue;
        }
        path.push_back({node, nodeTables});
        tables = nodeTables;
        node = node->children;
    }
    return changed;
}

}  // namespace

std::optional<std::string> FlattenDeepNesting(std::string_view html, NestingLimits limits) {
    if (html.empty() || html.size() > static_cast<size_t>(INT_MAX))
        return std::nullopt;
    // XML_PARSE_HUGE: the parser's own depth limit would cut the page off where it is exceeded.
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | XML_PARSE_HUGE;
    Doc doc(htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8", options),
            &xmlFreeDoc);
    if (doc == nullptr || !Flatten(doc->children, limits))
        return std::nullopt;
    xmlChar* text = nullptr;
    int size = 0;
    htmlDocDumpMemoryFormat(doc.get(), &text, &size, 0);
    if (text == nullptr)
        return std::nullopt;
    std::string out(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
    xmlFree(text);
    return out;
}

}  // namespace vellorin
