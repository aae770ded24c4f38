#pragma once

#include <memory>
#include <string>

#include "base/clock.h"
#include "base/main_window_hooks.h"
#include "base/user_seam.h"

namespace vellorin {

class mSettings;
class mSubscriptions;
class mInbox;
class OnlineState;
class mCheck;
class Scheduler;

// Where the program's files are and how it was started.
struct AppOptions {
    // The application folder: urls.lst, view.tpl, the help page, the pictures. Required.
    std::string appFolder;
    // Replaces the per-user data folder when not empty.
    std::string dataFolderOverride;
    // The whole argument text after the program name.
    std::string commandLine;
    // The program's executable file name (for the start-at-login entry).
    std::string executableName = "vellorin";
    // The folder of settings.cfg; the application folder when empty.
    std::string settingsFolder = {};
};

// The state of one running program: each module's state object and the collaborators they share.
// Start-up creates one; each test creates its own with its own folders, seam and clock. The seam,
// clock and hooks are borrowed and must outlive the context.
//
// The subsystems reach each other through the context, so this header only names their state
// classes; a file that uses one includes its header. The modules are made (and their headers
// included) in src/context/, the layer above the subsystems.
class AppContext {
public:
    AppContext(AppOptions options, UserSeam& seam, const Clock& clock);
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    UserSeam& seam() const { return seam_; }
    const Clock& clock() const { return clock_; }
    const AppOptions& options() const { return options_; }
    const std::string& appFolder() const { return options_.appFolder; }
    const std::string& settingsFolder() const {
        return options_.settingsFolder.empty() ? options_.appFolder : options_.settingsFolder;
    }
    const std::string& commandLine() const { return options_.commandLine; }

    MainWindowHooks& hooks() const { return *hooks_; }
    // Borrowed; nullptr restores the do-nothing hooks.
    void setHooks(MainWindowHooks* hooks) { hooks_ = hooks ? hooks : &noHooks_; }

private:
    AppOptions options_;
    UserSeam& seam_;
    const Clock& clock_;
    MainWindowHooks noHooks_;
    MainWindowHooks* hooks_ = &noHooks_;
    struct Modules;
    // Made after the members above and destroyed before them.
    std::unique_ptr<Modules> modules_;

public:
    mSettings& settings;
    mSubscriptions& subscriptions;
    mInbox& inbox;
    // Whether the machine is online (overridable); the check runs and the scheduler ask it.
    OnlineState& online;
    mCheck& check;
    Scheduler& scheduler;
};

}  // namespace vellorin
