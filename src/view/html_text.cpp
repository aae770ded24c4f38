#include "view/html_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>

namespace vellorin {
namespace {

bool IsHidden(const xmlNode* node) {
    const auto* name = reinterpret_cast<const char*>(node->name);
    return name != nullptr && (std::strcmp(name, "script") == 0 || std::strcmp(name, "style") == 0);
}

void CollectText(const xmlNode* node, std::string& out) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            if (node->content != nullptr) {
                if (!out.empty() && out.back() != ' ')
                    out.push_back(' ');
                out.append(reinterpret_cast<const char*>(node->content));
            }
        } else if (node->type == XML_ELEMENT_NODE && !IsHidden(node)) {
            CollectText(node->children, out);
        }
    }
}

}  // namespace

std::string HtmlText(std::string_view html) {
    if (html.empty() || html.size() > static_cast<size_t>(INT_MAX))
        return {};
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                        HTML_PARSE_NONET | HTML_PARSE_COMPACT;
    htmlDocPtr doc =
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8", options);
    if (doc == nullptr)
        return {};
    std::string out;
    out.reserve(html.size() / 2);
    CollectText(doc->children, out);
    xmlFreeDoc(doc);
    return out;
}

}  // namespace vellorin
