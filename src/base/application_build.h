#pragma once

#include <string>

namespace vellorin {

struct BuildVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The version this build carries.
BuildVersion CurrentBuildVersion();

// "1.05", "1.05.007" or "1.05; build: 007" for version 1.5 revision 7.
std::string ApplicationBuild(bool includeRevision, bool buildWord,
                             BuildVersion version = CurrentBuildVersion());

}  // namespace vellorin
