#include "base/application_build.h"

#include <cstdio>

#ifndef VELLORIN_VERSION_MAJOR
#define VELLORIN_VERSION_MAJOR 0
#define VELLORIN_VERSION_MINOR 0
#define VELLORIN_VERSION_REVISION 0
#endif

namespace vellorin {

BuildVersion CurrentBuildVersion() {
    return {VELLORIN_VERSION_MAJOR, VELLORIN_VERSION_MINOR, VELLORIN_VERSION_REVISION};
}

std::string ApplicationBuild(bool includeRevision, bool buildWord, BuildVersion version) {
    char minor[16];
    std::snprintf(minor, sizeof minor, "%02d", version.minor);
    std::string text = std::to_string(version.major) + "." + minor;
    if (includeRevision) {
        char revision[16];
        std::snprintf(revision, sizeof revision, "%03d", version.revision);
        text += buildWord ? "; build: " : ".";
        text += revision;
    }
    return text;
}

}  // namespace vellorin
