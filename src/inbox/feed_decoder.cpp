#include "inbox/feed_decoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "base/helpers.h"

namespace vellorin {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
// The XML declaration is looked for in this many characters at the start of the document.
constexpr std::size_t kDeclarationWindow = 256;

// How the bytes of the document's first characters are laid out.
enum class Layout { Bytes, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

std::size_t UnitSize(Layout layout) {
    switch (layout) {
        case Layout::Bytes:
            return 1;
        case Layout::Utf16LE:
        case Layout::Utf16BE:
            return 2;
        case Layout::Utf32LE:
        case Layout::Utf32BE:
            return 4;
    }
    return 1;
}

const char* LayoutName(Layout layout) {
    switch (layout) {
        case Layout::Bytes:
            return "UTF-8";
        case Layout::Utf16LE:
            return "UTF-16LE";
        case Layout::Utf16BE:
            return "UTF-16BE";
        case Layout::Utf32LE:
            return "UTF-32LE";
        case Layout::Utf32BE:
            return "UTF-32BE";
    }
    return "UTF-8";
}

unsigned char At(std::string_view bytes, std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0xFF;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// The encoding a byte-order mark announces, and the mark's length; nullopt without a mark.
struct Mark {
    Layout layout;
    std::size_t length;
};
std::optional<Mark> ByteOrderMark(std::string_view bytes) {
    using namespace std::string_view_literals;
    // UTF-32LE's mark begins with UTF-16LE's, so it is tested first.
    if (StartsWith(bytes, "\xFF\xFE\x00\x00"sv))
        return Mark{Layout::Utf32LE, 4};
    if (StartsWith(bytes, "\x00\x00\xFE\xFF"sv))
        return Mark{Layout::Utf32BE, 4};
    if (StartsWith(bytes, "\xEF\xBB\xBF"sv))
        return Mark{Layout::Bytes, 3};
    if (StartsWith(bytes, "\xFF\xFE"sv))
        return Mark{Layout::Utf16LE, 2};
    if (StartsWith(bytes, "\xFE\xFF"sv))
        return Mark{Layout::Utf16BE, 2};
    return std::nullopt;
}

// Without a mark, a document that starts with an ASCII character ("<" or a space) in a 16- or
// 32-bit encoding shows it by where the zero bytes are.
Layout LayoutOfFirstCharacters(std::string_view bytes) {
    if (bytes.size() < 4)
        return Layout::Bytes;
    bool z0 = At(bytes, 0) == 0, z1 = At(bytes, 1) == 0, z2 = At(bytes, 2) == 0,
         z3 = At(bytes, 3) == 0;
    if (z0 && z1 && z2 && !z3)
        return Layout::Utf32BE;
    if (!z0 && z1 && z2 && z3)
        return Layout::Utf32LE;
    if (z0 && !z1 && z2 && !z3)
        return Layout::Utf16BE;
    if (!z0 && z1 && !z2 && z3)
        return Layout::Utf16LE;
    return Layout::Bytes;
}

// The first characters of the document as ASCII (one byte per character, whatever the unit
// size), for reading the XML declaration. Characters outside ASCII become '?'.
std::string AsciiWindow(std::string_view bytes, Layout layout) {
    std::size_t unit = UnitSize(layout);
    bool bigEndian = layout == Layout::Utf16BE || layout == Layout::Utf32BE;
    std::string window;
    for (std::size_t i = 0; i + unit <= bytes.size() && window.size() < kDeclarationWindow;
         i += unit) {
        std::string_view u = bytes.substr(i, unit);
        unsigned char low = static_cast<unsigned char>(bigEndian ? u.back() : u.front());
        bool otherBytesZero = true;
        for (std::size_t k = 0; k < unit; ++k) {
            if (k != (bigEndian ? unit - 1 : 0) && u[k] != 0)
                otherBytesZero = false;
        }
        window += (otherBytesZero && low < 0x80) ? static_cast<char>(low) : '?';
    }
    return window;
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the value of the declaration's encoding pseudo-attribute lies in `text` (offset and
// length); nullopt when the text does not start with a declaration that has one. Leading
// white space before the declaration is tolerated, as many servers send it.
struct Span {
    std::size_t offset;
    std::size_t length;
};
std::optional<Span> DeclaredEncodingSpan(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && start < kDeclarationWindow && IsXmlSpace(text[start]))
        ++start;
    if (text.substr(start, 5) != "<?xml" || start + 5 >= text.size() ||
        !IsXmlSpace(text[start + 5])) {
        return std::nullopt;
    }
    std::size_t end = text.find("?>", start);
    if (end == std::string_view::npos || end > start + kDeclarationWindow)
        return std::nullopt;
    std::string_view declaration = text.substr(0, end);
    std::size_t at = declaration.find("encoding", start + 5);
    if (at == std::string_view::npos || !IsXmlSpace(declaration[at - 1]))
        return std::nullopt;
    at += 8;
    while (at < declaration.size() && IsXmlSpace(declaration[at]))
        ++at;
    if (at >= declaration.size() || declaration[at] != '=')
        return std::nullopt;
    ++at;
    while (at < declaration.size() && IsXmlSpace(declaration[at]))
        ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) {
        return std::nullopt;
    }
    char quote = declaration[at++];
    std::size_t close = declaration.find(quote, at);
    if (close == std::string_view::npos)
        return std::nullopt;
    return Span{at, close - at};
}

// An encoding name as XML allows it: a letter, then letters, digits, ".", "_" and "-".
bool IsEncodingName(std::string_view name) {
    if (name.empty() || name.size() > 40)
        return false;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (!letter(name.front()))
        return false;
    return std::all_of(name.begin(), name.end(), [&](char c) {
        return letter(c) || digit(c) || c == '.' || c == '_' || c == '-';
    });
}

bool IsUtf8Name(std::string_view name) {
    return EqualsNoCase(name, "UTF-8") || EqualsNoCase(name, "UTF8");
}

// 16- and 32-bit encodings cannot be what an 8-bit looking document is in.
bool IsWideName(std::string_view name) {
    std::string lower = ToLowerAscii(name);
    for (std::string_view wide : {"utf-16", "utf16", "utf-32", "utf32", "ucs-2", "ucs2", "ucs-4",
                                  "ucs4", "iso-10646", "unicode", "wchar_t"}) {
        if (lower.compare(0, wide.size(), wide) == 0)
            return true;
    }
    return false;
}

// Owns one iconv conversion descriptor.
class Iconv {
public:
    Iconv(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

// Appends `in` to `out`, replacing each ill-formed sequence (its longest valid beginning, as
// the Unicode standard recommends) by U+FFFD. Returns how many were replaced.
std::size_t AppendValidUtf8(std::string_view in, std::string& out) {
    std::size_t replaced = 0;
    std::size_t run = 0;
    std::size_t i = 0;
    while (i < in.size()) {
        auto c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c == 0xE0) {
            length = 3, low = 0xA0;
        } else if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) {
            length = 3;
        } else if (c == 0xED) {
            length = 3, high = 0x9F;  // no surrogates
        } else if (c == 0xF0) {
            length = 4, low = 0x90;
        } else if (c >= 0xF1 && c <= 0xF3) {
            length = 4;
        } else if (c == 0xF4) {
            length = 4, high = 0x8F;  // nothing past U+10FFFF
        }
        std::size_t good = length ? 1 : 0;
        while (good < length && i + good < in.size()) {
            auto d = static_cast<unsigned char>(in[i + good]);
            if (d < (good == 1 ? low : 0x80) || d > (good == 1 ? high : 0xBF))
                break;
            ++good;
        }
        if (length && good == length) {
            i += length;
            continue;
        }
        out.append(in.substr(run, i - run));
        out.append(kReplacement);
        ++replaced;
        i += std::max<std::size_t>(good, 1);
        run = i;
    }
    out.append(in.substr(run));
    return replaced;
}

// Converts `in` from `from` to UTF-8 into `out`. Each sequence iconv rejects is replaced by
// U+FFFD and skipped by one code unit of `unit` bytes. nullopt when iconv does not know `from`.
std::optional<std::size_t> ConvertToUtf8(std::string_view in, const std::string& from,
                                         std::size_t unit, std::string& out) {
    Iconv iconv(std::string("UTF-8"), from);
    if (!iconv.ok())
        return std::nullopt;
    std::size_t replaced = 0;
    out.reserve(in.size() + in.size() / 2);
    char buffer[16384];
    // iconv's interface takes a non-const input pointer but does not write through it.
    char* input = const_cast<char*>(in.data());
    std::size_t inputLeft = in.size();
    while (inputLeft > 0) {
        char* output = buffer;
        std::size_t outputLeft = sizeof buffer;
        std::size_t rc = ::iconv(iconv.get(), &input, &inputLeft, &output, &outputLeft);
        out.append(buffer, static_cast<std::size_t>(output - buffer));
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        out.append(kReplacement);
        ++replaced;
        if (errno != EILSEQ)
            break;  // EINVAL: the input ends inside a sequence
        std::size_t skip = std::min(unit, inputLeft);
        input += skip;
        inputLeft -= skip;
        ::iconv(iconv.get(), nullptr, nullptr, nullptr, nullptr);
    }
    char* output = buffer;
    std::size_t outputLeft = sizeof buffer;
    ::iconv(iconv.get(), nullptr, nullptr, &output, &outputLeft);
    out.append(buffer, static_cast<std::size_t>(output - buffer));
    // Some of glibc's converters pass on code points past U+10FFFF as five- and six-byte
    // sequences; what the parser and the store get must be UTF-8 all the same.
    std::string checked;
    checked.reserve(out.size());
    replaced += AppendValidUtf8(out, checked);
    out = std::move(checked);
    return replaced;
}

// The document's declaration names its encoding as UTF-8 from now on.
void DeclareUtf8(std::string& text) {
    std::optional<Span> span = DeclaredEncodingSpan(text);
    if (span && text.compare(span->offset, span->length, "UTF-8") != 0) {
        text.replace(span->offset, span->length, "UTF-8");
    }
}

}  // namespace

DecodedFeed DecodeFeed(std::string_view bytes, std::string_view httpCharset) {
    DecodedFeed decoded;
    Layout layout = Layout::Bytes;
    std::optional<std::string> named;
    if (std::optional<Mark> mark = ByteOrderMark(bytes)) {
        layout = mark->layout;
        bytes.remove_prefix(mark->length);
    } else {
        layout = LayoutOfFirstCharacters(bytes);
        if (layout == Layout::Bytes) {
            // The declaration, then the server's charset; the first usable name wins.
            std::string window = AsciiWindow(bytes, layout);
            std::optional<Span> span = DeclaredEncodingSpan(window);
            std::string declared = span ? window.substr(span->offset, span->length) : "";
            for (std::string candidate : {declared, std::string(httpCharset)}) {
                candidate = TrimSpaces(candidate);
                if (!IsEncodingName(candidate) || IsWideName(candidate))
                    continue;
                if (IsUtf8Name(candidate))
                    break;
                std::string text;
                if (std::optional<std::size_t> replaced =
                        ConvertToUtf8(bytes, candidate, 1, text)) {
                    decoded.text = std::move(text);
                    decoded.replacements = *replaced;
                    named = candidate;
                    break;
                }
            }
        }
    }

    if (named) {
        decoded.encoding = *named;
    } else if (layout == Layout::Bytes) {
        decoded.encoding = LayoutName(layout);
        decoded.replacements = AppendValidUtf8(bytes, decoded.text);
    } else {
        decoded.encoding = LayoutName(layout);
        // glibc knows every fixed-width Unicode form; should it not, nothing better is left
        // than reading the bytes as UTF-8.
        std::optional<std::size_t> replaced =
            ConvertToUtf8(bytes, decoded.encoding, UnitSize(layout), decoded.text);
        if (replaced) {
            decoded.replacements = *replaced;
        } else {
            decoded.replacements = AppendValidUtf8(bytes, decoded.text);
        }
    }
    DeclareUtf8(decoded.text);
    return decoded;
}

}  // namespace vellorin
