#pragma once

#include <QStringList>
#include <QTextBrowser>

#include "view/ui/message_view.h"

namespace vellorin {

class FindBar;

// The built-in message view: Qt's rich text browser, which runs no script and has no network
// of its own. Every resource the page asks for goes through loadResource, which loads only what
// MayLoadPageResource allows (data: pictures, files inside `folders`); a picture it does not
// load shows as its alternative text or a small placeholder, a style sheet as none.
//
// Keys besides the browser's own (selection, Ctrl+A, Ctrl+C, Tab through the links and Enter on
// one, scrolling): Ctrl+F opens the find bar, Ctrl+plus / Ctrl+minus / Ctrl+0 zoom (also
// Ctrl+wheel). The message text is what the accessibility interface reads.
class TextMessageView : public QTextBrowser, public MessageView {
    Q_OBJECT

public:
    TextMessageView(const QUrl& pageUrl, const QString& caption, QStringList folders,
                    Finished loaded, Finished printed, QWidget* parent);

    QWidget* widget() override { return this; }
    void setLinkOpener(LinkOpener openLink) override { openLink_ = std::move(openLink); }
    void loadPage() override;
    void print(QPrinter* printer) override;

    QVariant loadResource(int type, const QUrl& name) override;

    // The zoom step (see ZoomFactor); 0 as written.
    int zoomStep() const { return zoomStep_; }
    void setZoomStep(int step);
    FindBar* findBar() const { return findBar_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void followLink(const QUrl& url);
    void placeFindBar();
    QUrl absolute(const QUrl& url) const;

    const QUrl pageUrl_;
    const QStringList folders_;
    Finished loaded_;
    Finished printed_;
    LinkOpener openLink_;
    FindBar* findBar_;
    int zoomStep_ = 0;
    // The view's font size before the first zoom step.
    double writtenPointSize_ = 0;
};

}  // namespace vellorin
