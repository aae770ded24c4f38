// A browser's stand-in for the desktop test: a small window, placed where asked, with an address
// field and a link. Pressing the left button on the link starts a real drag-and-drop of it that
// offers the link as a browser does (text/uri-list and text/plain); the drop's outcome is printed
// on standard output ("drop: accepted" or "drop: refused"), one line per drag. A click into the
// address field gives the window the keyboard focus, so the test can tell whether a window the
// client raises by itself takes the focus away from the user's window.
//
//   desktop_drag_source LINK TITLE X Y

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

class LinkLabel : public QLabel {
public:
    LinkLabel(const QString& link, QWidget* parent) : QLabel(link, parent), link_(link) {
        setAccessibleName(QStringLiteral("Drag this link"));
        setFrameShape(QFrame::Box);
        setMargin(8);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            QLabel::mousePressEvent(event);
            return;
        }
        auto* mime = new QMimeData;
        mime->setUrls({QUrl(link_)});
        mime->setText(link_);
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        // exec runs until the button is released over some window (or Escape).
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::LinkAction);
        std::printf("drop: %s\n", action == Qt::IgnoreAction ? "refused" : "accepted");
        std::fflush(stdout);
    }

private:
    QString link_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: desktop_drag_source LINK TITLE X Y\n");
        return 2;
    }
    const QString link = QString::fromLocal8Bit(argv[1]);
    QWidget window;
    window.setWindowTitle(QString::fromLocal8Bit(argv[2]));
    auto* address = new QLineEdit(link, &window);
    address->setAccessibleName(QStringLiteral("Address"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(address);
    layout->addWidget(new LinkLabel(link, &window));
    window.move(QString::fromLatin1(argv[3]).toInt(), QString::fromLatin1(argv[4]).toInt());
    window.show();
    return QApplication::exec();
}
