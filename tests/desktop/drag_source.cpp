// A browser's stand-in at X Y: an address field that takes the focus, and a link dragged as a
// browser offers it; each drag's outcome goes to standard output ("drop: accepted" or "refused").
//   desktop_drag_source LINK TITLE X Y

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace {

class LinkLabel : public QLabel {
public:
    explicit LinkLabel(const QString& link) : QLabel(link) {
        setAccessibleName(QStringLiteral("Drag this link"));
        setMargin(8);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* mime = new QMimeData;
        mime->setUrls({QUrl(text())});
        mime->setText(text());
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::LinkAction);
        std::printf("drop: %s\n", action == Qt::IgnoreAction ? "refused" : "accepted");
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const QString link = QString::fromLocal8Bit(argv[1]);
    QWidget window;
    window.setWindowTitle(QString::fromLocal8Bit(argv[2]));
    auto* address = new QLineEdit(link);
    address->setAccessibleName(QStringLiteral("Address"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(address);
    layout->addWidget(new LinkLabel(link));
    window.move(QString::fromLatin1(argv[3]).toInt(), QString::fromLatin1(argv[4]).toInt());
    window.show();
    return QApplication::exec();
}
