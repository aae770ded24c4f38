#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vellorin {

// How a message's guid and values are written in inbox.dat so that every one reads back as it
// was and none can damage the file. Ordinary guids and values are written as they are, byte for
// byte; only those the line format cannot hold take an escaped form, marked by a prefix that an
// ordinary one is never written with.
//
// Section names. A guid is its own section name unless it is empty, holds a CR, LF, NUL or "]",
// has a blank (space or tab) at either end, or begins with "=hex:" in any letter case. Such a guid
// is stored as "=hex:" followed by the lower-case hexadecimal digits of its bytes. The INI layer
// matches section names without regard to letter case; two different guids never get escaped
// names that match that way, and SaveItem also escapes a guid whose plain name would match the
// name of another stored guid (e.g. "abc" next to "ABC").
//
// Values (title, description, date, time, offset). A value is stored as it is unless it holds a
// CR, LF or NUL or begins with "=esc:"; such a value is stored as "=esc:" followed by the text
// with "%", CR, LF and NUL written as "%25", "%0D", "%0A" and "%00" (nothing else is changed).
// Blanks at either end and surrounding quotes are kept by the INI layer itself.
//
// Descriptions keep the format's rule first: CR LF and a lone LF become character 5, which reads
// back as CR LF; a lone CR left after that escapes the value as above, so it reads back as CR.

inline constexpr std::string_view kEscapedNamePrefix = "=hex:";
inline constexpr std::string_view kEscapedValuePrefix = "=esc:";

// True when the guid cannot be its own section name (see above; collisions not included).
bool NeedsEscapedSectionName(std::string_view guid);
// "=hex:" + the lower-case hexadecimal digits of the guid's bytes.
std::string EscapedSectionName(std::string_view guid);
// How the inbox file spells the section a name looks up (lookups ignore ASCII letter case);
// nullopt when the file holds no such section.
using StoredSectionLookup = std::function<std::optional<std::string>(std::string_view)>;

// The stored name of the section that stands for exactly `guid` (its plain or its escaped name);
// nullopt when there is none or the guid is empty.
std::optional<std::string> FindSectionForGuid(std::string_view guid,
                                              const StoredSectionLookup& storedName);
// The section name for a new message with `guid`: the name of a section that already stands for
// exactly this guid; else the plain name, unless it needs escaping or the file holds a section of
// that name in another letter case; else the escaped name.
std::string SectionNameForGuid(std::string_view guid, const StoredSectionLookup& storedName);
// The guid a stored section name stands for: the decoded bytes of a well-formed escaped name
// (prefix in lower case, an even number of lower-case hexadecimal digits), otherwise the name.
std::string GuidFromSectionName(std::string_view name);
// GuidFromSectionName(name) == guid, without building the decoded text for a plain name.
bool SectionNameIsGuid(std::string_view name, std::string_view guid);

// The stored form of a value, and the value a stored form reads back as.
std::string EncodeInboxValue(std::string_view value);
std::string DecodeInboxValue(std::string_view stored);

// The stored form of a description, and the description it reads back as (character 5 becomes
// CR LF).
std::string EncodeDescription(std::string_view description);
std::string DecodeDescription(std::string_view stored);

}  // namespace vellorin
