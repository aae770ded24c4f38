#include "view/ui/built_in_view_factory.h"

#include <QCoreApplication>
#include <QDir>

#include <utility>

#include "base/app_layout.h"
#include "base/constants.h"
#include "base/helpers.h"
#include "view/ui/text_message_view.h"

namespace vellorin {
namespace {

QStringList& ChosenFolders() {
    static QStringList folders;
    return folders;
}

class BuiltInFactory : public MessageViewFactory {
public:
    MessageView* createMessageView(const QUrl& pageUrl, const QString& caption,
                                   MessageView::Finished loaded, MessageView::Finished printed,
                                   QWidget* parent) override {
        return new TextMessageView(pageUrl, caption, BuiltInViewFolders(), std::move(loaded),
                                   std::move(printed), parent);
    }
};

}  // namespace

MessageViewFactory& BuiltInMessageViewFactory() {
    static BuiltInFactory factory;
    return factory;
}

QStringList BuiltInViewFolders() {
    if (!ChosenFolders().isEmpty())
        return ChosenFolders();
    QStringList folders;
    if (const std::string data = GetAppDataFolder(); !data.empty())
        folders
            << QDir(QString::fromStdString(data)).filePath(QString::fromLatin1(kDataFolderName));
    const QString program = QCoreApplication::applicationDirPath();
    folders << QString::fromStdString(ResolveAppFolders(program.toStdString()).appFolder);
    if (!folders.contains(program))
        folders << program;
    return folders;
}

void SetBuiltInViewFolders(const QStringList& folders) {
    ChosenFolders() = folders;
}

}  // namespace vellorin
