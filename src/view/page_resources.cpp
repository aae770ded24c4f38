#include "view/page_resources.h"

#include <filesystem>
#include <iterator>
#include <system_error>

#include "base/helpers.h"

namespace vellorin {
namespace {

namespace fs = std::filesystem;

// The path with symbolic links of its existing part followed and "." / ".." taken out; empty
// when it cannot be worked out.
fs::path Resolved(const std::string& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(fs::path(path), error);
    return error ? fs::path() : resolved.lexically_normal();
}

// True when `path` is `folder` itself or lies below it (whole names compared, so "/data2" is
// not inside "/data").
bool IsInside(const fs::path& path, const fs::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        // A trailing "/" of the folder leaves an empty last name.
        if (f->empty() && std::next(f) == folder.end())
            return true;
        if (p == path.end() || *p != *f)
            return false;
    }
    return true;
}

}  // namespace

bool MayLoadPageResource(const PageResourceAddress& address,
                         const std::vector<std::string>& allowedFolders) {
    if (EqualsNoCase(address.scheme, "data"))
        return true;
    if (!EqualsNoCase(address.scheme, "file"))
        return false;
    if (!address.host.empty() && !EqualsNoCase(address.host, "localhost"))
        return false;
    if (address.path.empty() || address.path.front() != '/')
        return false;
    const fs::path file = Resolved(address.path);
    if (file.empty())
        return false;
    for (const std::string& folder : allowedFolders) {
        if (folder.empty() || folder.front() != '/')
            continue;
        const fs::path root = Resolved(folder);
        if (!root.empty() && IsInside(file, root))
            return true;
    }
    return false;
}

}  // namespace vellorin
