#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/temp_dir.h"

namespace vellorin::test {

// Runs vellorinctl on folders of its own: app_, data() in home_ (the XDG data home) and config_.
class CtlTest : public ::testing::Test {
protected:
    ProcessResult ctl(std::vector<std::string> args, bool yes = false) const {
        std::vector<std::string> all{"--app-dir", app_.path(), "--data-dir", data()};
        if (yes)
            all.push_back("--yes");
        all.insert(all.end(), args.begin(), args.end());
        return RunProcess(BuiltProgram("vellorinctl"), all,
                          {{"XDG_CONFIG_HOME", config_.path()},
                           {"XDG_DATA_HOME", home_.path()},
                           {"no_proxy", "127.0.0.1,localhost"}});
    }
    std::string data() const { return home_.file("data"); }

    TempDir app_, home_, config_;
};

}  // namespace vellorin::test
