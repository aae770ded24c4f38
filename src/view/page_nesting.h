#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellorin {

// How deep a page shown by the built-in view may nest: the rich-text importer's time grows far
// faster than the page with the depth of its elements, and of its tables most of all, so a
// hostile message of a few thousand nested elements would hold the window for minutes.
struct NestingLimits {
    int elements = 48;
    int tables = 6;
};

// The page with every element deeper than the limits replaced by its content (so no text is
// lost, only the markup that nests too deep), serialised as UTF-8 HTML; nullopt when the page
// keeps within the limits and can be shown as it is. Parsed by libxml2's HTML parser, which
// recovers from any malformed input and never reaches the network.
std::optional<std::string> FlattenDeepNesting(std::string_view html, NestingLimits limits = {});

}  // namespace vellorin
