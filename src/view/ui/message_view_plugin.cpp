#include "view/ui/message_view_plugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QPluginLoader>

#include "view/ui/message_view.h"

#ifndef VELLORIN_PLUGIN_DIR
#define VELLORIN_PLUGIN_DIR "../lib/vellorin"
#endif

namespace vellorin {
namespace {

QStringList& ChosenFolders() {
    static QStringList folders;
    return folders;
}

}  // namespace

QStringList DefaultMessageViewFolders() {
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.absolutePath(),
            QDir::cleanPath(program.absoluteFilePath(QStringLiteral(VELLORIN_PLUGIN_DIR)))};
}

QStringList MessageViewFolders() {
    return ChosenFolders().isEmpty() ? DefaultMessageViewFolders() : ChosenFolders();
}

void SetMessageViewFolders(const QStringList& folders) {
    ChosenFolders() = folders;
}

MessageViewFactory* LoadMessageViewFactory(QString* error) {
    const QString file = QString::fromLatin1(kMessageViewPluginFile);
    QString why = QStringLiteral("%1 was not found in %2.")
                      .arg(file, MessageViewFolders().join(QStringLiteral(", ")));
    for (const QString& folder : MessageViewFolders()) {
        const QString path = QDir(folder).filePath(file);
        if (!QFileInfo(path).isFile())
            continue;
        // The loader is not unloaded: the library stays for the process's life, and another
        // loader of the same file gives the same root object.
        QPluginLoader loader(path);
        QObject* root = loader.instance();
        if (auto* factory = qobject_cast<MessageViewFactory*>(root))
            return factory;
        why = root ? QStringLiteral("%1 makes no message views.").arg(path) : loader.errorString();
    }
    if (error)
        *error = why;
    return nullptr;
}

}  // namespace vellorin
