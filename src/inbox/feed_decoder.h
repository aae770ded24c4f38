#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellorin {

// A feed document turned into UTF-8, ready for the XML parser.
struct DecodedFeed {
    // The document in UTF-8, without a byte-order mark. When it starts with an XML declaration
    // that names an encoding, that name reads "UTF-8" now, so that the parser does not convert
    // the text a second time.
    std::string text;
    // The encoding the bytes were read in: "UTF-8", "UTF-16LE", "UTF-16BE", "UTF-32LE",
    // "UTF-32BE", or the name the document or the server gave (as written, e.g. "ISO-8859-1").
    std::string encoding;
    // How many byte sequences were not valid in that encoding; each became one U+FFFD
    // REPLACEMENT CHARACTER (a truncated sequence at the end counts as one).
    std::size_t replacements = 0;
};

// Converts the bytes of a feed document to UTF-8. The encoding is taken from, in this order:
// a byte-order mark (UTF-8, UTF-16 and UTF-32, either byte order); the byte pattern of a
// document in UTF-16 or UTF-32 without a mark; the encoding named in the XML declaration;
// `httpCharset` (the charset of the server's Content-Type); otherwise UTF-8. A name the system
// does not know, or a 16- or 32-bit encoding named for bytes that are plainly 8-bit, is passed
// over in favour of the next source. ISO-8859-1 and windows-1252 are told apart (0x80 is U+0080
// in the first and the euro sign in the second). Never fails: bytes that are invalid in the
// chosen encoding are replaced, and empty input gives empty text.
DecodedFeed DecodeFeed(std::string_view bytes, std::string_view httpCharset = {});

}  // namespace vellorin
