#pragma once

#include <string>
#include <vector>

namespace vellorin {

// One address a message page asks for (a picture, a style sheet), already resolved against the
// page's own address and split by the URL library of the caller.
struct PageResourceAddress {
    // The scheme, in any letter case ("data", "file", "http" ...); empty for an address that
    // stayed relative.
    std::string scheme;
    // The host of the address; empty or "localhost" for a file on this machine.
    std::string host;
    // For a file address, the local path it names.
    std::string path;
};

// Whether a message page may load `address`. A page comes from a feed and is not trusted:
// nothing it holds may make the program reach the network or read a file of the user's.
// - data: addresses are written into the page itself: yes;
// - file addresses on this machine: only when the file, with every symbolic link and ".."
//   followed, lies inside one of `allowedFolders` (the data folder, the application folder);
//   an empty folder allows nothing;
// - everything else (http, https, ftp, relative addresses, other schemes): never.
bool MayLoadPageResource(const PageResourceAddress& address,
                         const std::vector<std::string>& allowedFolders);

}  // namespace vellorin
