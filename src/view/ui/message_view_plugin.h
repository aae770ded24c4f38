#pragma once

#include <QString>
#include <QStringList>

namespace vellorin {

class MessageViewFactory;

// The file name of the plugin that makes the message views.
inline constexpr const char* kMessageViewPluginFile = "libvellorin_webview.so";

// Where the plugin is looked for, in this order: the program's own folder (a build folder or an
// unpacked copy), then the installed layout's library folder beside the program's bin/ folder.
QStringList DefaultMessageViewFolders();

// The folders LoadMessageViewFactory searches: DefaultMessageViewFolders() until replaced.
QStringList MessageViewFolders();
// Replaces the folders searched from now on; an empty list returns to the default ones. A
// factory already loaded stays loaded.
void SetMessageViewFolders(const QStringList& folders);

// Loads the plugin from the first folder that holds it and gives its factory (the same one on
// each call for the same file). nullptr when no folder holds a plugin that loads and makes
// views; `error`, when given, then tells why, naming the file.
MessageViewFactory* LoadMessageViewFactory(QString* error = nullptr);

}  // namespace vellorin
