#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QCloseEvent;
class QHideEvent;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMouseEvent;
class QShowEvent;
class QTimer;

namespace vellorin {

// frmBusy: the small window a check run started by the user shows while it works. It stays on
// top of the other windows, is 10 % transparent where the platform can do it, and never takes the
// keyboard focus from the user's window when it appears. Its picture turns while it is shown.
//   imgVellorin  the animated picture
//   lblChecking  "Checking for New Messages ... "
//   lblSource    the title of the source being checked ("Source Title" at first)
//   lblStatus    the transfer state text
//   lstQueue     the titles of the sources still to check, the one in progress first
// Ctrl+Alt+Q, released while the window has the keyboard focus, closes it; so does the window's
// close box. A click on the window lets it take the focus, so that the keys can reach it.
class frmBusy : public QWidget {
    Q_OBJECT

public:
    // Reads its picture from `appFolder`.
    explicit frmBusy(const QString& appFolder, QWidget* parent = nullptr);

    QLabel* imgVellorin() const { return imgVellorin_; }
    QLabel* lblChecking() const { return lblChecking_; }
    QLabel* lblSource() const { return lblSource_; }
    QLabel* lblStatus() const { return lblStatus_; }
    QListWidget* lstQueue() const { return lstQueue_; }

signals:
    // The user closed the window (Ctrl+Alt+Q or the close box).
    void closedByUser();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void tmrAnimate_Timer();
    void drawFrame();

    QLabel* imgVellorin_ = nullptr;
    QLabel* lblChecking_ = nullptr;
    QLabel* lblSource_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QListWidget* lstQueue_ = nullptr;
    QTimer* tmrAnimate_ = nullptr;
    QPixmap picture_;
    int frame_ = 0;
};

}  // namespace vellorin
