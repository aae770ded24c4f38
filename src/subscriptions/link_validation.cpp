#include "subscriptions/link_validation.h"

#include <string_view>
#include <vector>

#include "base/constants.h"
#include "base/helpers.h"
#include "util/cls_crypt.h"

namespace vellorin {
namespace {

// Every occurrence of `what` removed, scanning left to right once (a removal that joins two
// halves into a new occurrence leaves that one in place).
std::string RemoveAll(std::string_view text, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        std::size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(text.substr(pos, hit - pos));
        pos = hit + what.size();
    }
    out.append(text.substr(pos));
    return out;
}

// The entries of the decoded list, split at every CR LF. An empty list has no entries at all;
// otherwise every CR LF starts a new entry, so a list ending in CR LF has an empty last entry.
std::vector<std::string> SplitEntries(const std::string& list) {
    std::vector<std::string> entries;
    if (list.empty())
        return entries;
    std::size_t pos = 0;
    while (true) {
        std::size_t hit = list.find("\r\n", pos);
        if (hit == std::string::npos)
            break;
        entries.push_back(list.substr(pos, hit - pos));
        pos = hit + 2;
    }
    entries.push_back(list.substr(pos));
    return entries;
}

}  // namespace

bool HasServiceHost(const std::string& link) {
    return ContainsNoCase(ToLowerAscii(link), kServiceHost);
}

std::string SourceLinkHostPart(const std::string& link) {
    const bool secure = ToLowerAscii(std::string_view(link).substr(0, 5)) == "https";
    std::string host = ToUpperAscii(RemoveAll(link, secure ? "https://" : "http://"));
    if (std::size_t slash = host.find('/'); slash != std::string::npos)
        host.resize(slash);
    return host;
}

bool IsSourceLink(UserSeam& seam, const std::string& appFolder, const std::string& link) {
    // Without a known application folder there is no list to read (and a bare "urls.lst" would
    // be looked up in whatever the current folder happens to be).
    if (appFolder.empty())
        return false;
    const std::string listFile = AddBackslash(appFolder) + kUrlListFileName;
    if (!FileExists(seam, listFile))
        return false;
    const std::string text = ReadTextFile(seam, listFile);
    if (IsBlank(text))
        return false;

    const clsCrypt crypt;
    if (!crypt.IsDecodable(text))
        return false;

    // An empty host part contains nothing, not even an empty entry.
    const std::string host = SourceLinkHostPart(link);
    if (host.empty())
        return false;

    for (const std::string& entry : SplitEntries(crypt.Decode(text))) {
        if (ContainsNoCase(host, entry))
            return true;
    }
    return false;
}

}  // namespace vellorin
