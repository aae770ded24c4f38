#pragma once

#include <string>

#include "base/user_seam.h"

namespace vellorin {

// True when the service's host name ("www.vellorin.net") occurs anywhere in the link, without
// regard to letter case.
bool HasServiceHost(const std::string& link);

// True when the host part of the link contains one of the host fragments listed in urls.lst of
// the application folder (Base64 of entries joined by CR LF). The list is read afresh at every
// call; a missing, blank or undecodable list, or an empty appFolder, makes every link fail, and so
// does an empty host part. An empty entry (a list ending in CR LF) is found in every non-empty
// host part. A read error is reported by ReadTextFile. Changes nothing.
bool IsSourceLink(UserSeam& seam, const std::string& appFolder, const std::string& link);

// The host part IsSourceLink compares: scheme prefix removed ("https://" when the link starts
// with "https" in any case, else "http://", lower-case matches only, every occurrence),
// upper-cased, cut at the first "/".
std::string SourceLinkHostPart(const std::string& link);

}  // namespace vellorin
