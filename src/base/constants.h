#pragma once

namespace vellorin {

inline constexpr const char* kProductName = "Vellorin";
inline constexpr const char* kMainCaptionPrefix = "Vellorin (Professional Version)";
inline constexpr const char* kInstanceGuardName = "VELLORINGUARD2710KAVO";
inline constexpr const char* kDataFolderName = "Vellorin Data";

// The service: the host every source link carries, its help page and contact address.
inline constexpr const char* kServiceHost = "www.vellorin.net";
inline constexpr const char* kServiceHelpPage = "https://www.vellorin.net/help/";
inline constexpr const char* kServiceContact = "support@vellorin.net";

// Files of the application folder and of the data folder.
inline constexpr const char* kSettingsFileName = "settings.cfg";
inline constexpr const char* kUrlListFileName = "urls.lst";
inline constexpr const char* kTemplateFileName = "view.tpl";
inline constexpr const char* kHelpFileName = "help.html";
inline constexpr const char* kSubscriptionsFileName = "subscriptions.dat";
inline constexpr const char* kInboxFileName = "inbox.dat";
inline constexpr const char* kValidatorsFileName = "validators.dat";
inline constexpr const char* kRenderedPageFileName = "item.htm";

// Start at login.
inline constexpr const char* kStartupEntryName = "VellorinPlugIn";
inline constexpr const char* kSilentSwitch = "-s";
inline constexpr const char* kDebugSwitch = "-debug";

// The separator between title and link in a queue entry, and in place of line feeds in a
// stored description.
inline constexpr char kFieldSeparator = '\x05';

}  // namespace vellorin
