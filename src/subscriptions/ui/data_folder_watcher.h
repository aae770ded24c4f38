#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

class QAbstractScrollArea;
class QFileSystemWatcher;
class QTimer;

namespace vellorin {

class AppContext;
class DataFolderFollower;
class TreeControl;

// Shows in the message tree what another process changes in the data folder, within a moment and
// without a box: the platform's file watching (inotify) reports changes to the folder, the
// subscription list, the source folders and their inboxes; once they have settled for a short
// while, the DataFolderFollower brings the tree in line with them. While the follower must wait
// (a check run, a title edit) or a modal window is open, it tries again a little later. The view's
// scroll position is kept. The context, the tree and the view are borrowed; the view may be null.
class DataFolderWatcher : public QObject {
    Q_OBJECT

public:
    // How long the files must be quiet before the tree follows them, in milliseconds.
    static constexpr int kSettleMs = 150;
    // How long a follow that must wait is put off, in milliseconds.
    static constexpr int kRetryMs = 400;

    DataFolderWatcher(AppContext& context, TreeControl& tvMessages, QAbstractScrollArea* view,
                      QObject* parent = nullptr);
    ~DataFolderWatcher() override;

    // How many follows changed the tree (for tests).
    int followed() const { return followed_; }

signals:
    // The tree changed to show a change of the data folder.
    void treeFollowed();

private:
    void changeReported();
    void follow();
    void watch();

    std::unique_ptr<DataFolderFollower> follower_;
    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    QPointer<QAbstractScrollArea> view_;
    // Files reported changed since the last follow, watched afresh by the next.
    QStringList replaced_;
    int followed_ = 0;
};

}  // namespace vellorin
