#pragma once

#include <string>
#include <string_view>

namespace vellorin {

// The text a reader sees in a piece of HTML: the character data of its elements in document
// order, entities decoded, with a space between the texts of neighbouring nodes; the contents of
// script and style elements, comments and the markup itself left out. Parsed by libxml2's HTML
// parser, which recovers from any malformed input and never reaches the network. Empty for
// empty input.
std::string HtmlText(std::string_view html);

}  // namespace vellorin
