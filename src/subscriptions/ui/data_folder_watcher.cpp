#include "subscriptions/ui/data_folder_watcher.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFileSystemWatcher>
#include <QScrollBar>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include "subscriptions/data_folder_follower.h"

namespace vellorin {

DataFolderWatcher::DataFolderWatcher(AppContext& context, TreeControl& tvMessages,
                                     QAbstractScrollArea* view, QObject* parent)
    : QObject(parent),
      follower_(std::make_unique<DataFolderFollower>(context, tvMessages)),
      watcher_(new QFileSystemWatcher(this)),
      settle_(new QTimer(this)),
      view_(view) {
    setObjectName("DataFolderWatcher");
    settle_->setSingleShot(true);
    connect(settle_, &QTimer::timeout, this, &DataFolderWatcher::follow);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
        // The report may be of a file that a rename replaced: the watch still holds the old one.
        replaced_ << path;
        changeReported();
    });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this,
            &DataFolderWatcher::changeReported);
    watch();
}

DataFolderWatcher::~DataFolderWatcher() = default;

void DataFolderWatcher::changeReported() {
    settle_->start(kSettleMs);
}

void DataFolderWatcher::follow() {
    // Nor does the tree change behind a modal window: the subscription windows and the boxes show
    // the tree's state, and the windows bring the tree up to date themselves when they close.
    if (follower_->mustWait() || QApplication::activeModalWidget() != nullptr) {
        settle_->start(kRetryMs);
        return;
    }
    const int scrolled = view_ ? view_->verticalScrollBar()->value() : 0;
    const DataFolderFollower::Outcome outcome = follower_->follow();
    // A file replaced by rename is no longer watched, and new folders and files are not yet.
    watch();
    if (outcome != DataFolderFollower::Outcome::kFollowed)
        return;
    if (view_)
        view_->verticalScrollBar()->setValue(scrolled);
    ++followed_;
    emit treeFollowed();
}

void DataFolderWatcher::watch() {
    replaced_.removeDuplicates();
    if (!replaced_.isEmpty())
        watcher_->removePaths(replaced_);
    replaced_.clear();
    QSet<QString> wanted;
    for (const std::string& path : follower_->watchedPaths())
        wanted.insert(QString::fromStdString(path));
    QStringList gone;
    for (const QString& path : watcher_->files() + watcher_->directories()) {
        if (!wanted.remove(path))
            gone << path;
    }
    if (!gone.isEmpty())
        watcher_->removePaths(gone);
    if (!wanted.isEmpty())
        watcher_->addPaths(QStringList(wanted.begin(), wanted.end()));
}

}  // namespace vellorin
