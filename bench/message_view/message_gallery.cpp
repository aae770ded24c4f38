// message_gallery: the sample messages of tests/data/messages, each shown in the built-in view
// beside the full web engine's view, saved as DIR/NAME.png to be looked at side by side. The
// samples are pages made from an earlier template; their style sheet and header block are taken
// from the current one (resources/view.tpl), so that the pictures show what a message window
// shows now.
//
// Usage: message_gallery DIR   (under an X server: QT_QPA_PLATFORM=xcb; the engine's plugin is
// looked for beside the program and in the build's bin folder)

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <utility>

#include "shell/ui/software_rendering.h"
#include "view/ui/built_in_view_factory.h"
#include "view/ui/message_view.h"
#include "view/ui/message_view_plugin.h"

namespace {

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The sample with the template's style sheet and the template's header cells.
QByteArray CurrentLook(QByteArray sample, const QByteArray& templ) {
    const auto styleOf = [](const QByteArray& page) {
        const qsizetype from = page.indexOf("<style>");
        const qsizetype to = page.indexOf("</style>");
        return from >= 0 && to > from ? std::pair(from, to - from)
                                      : std::pair(qsizetype(-1), qsizetype(0));
    };
    const auto [from, length] = styleOf(sample);
    const auto [tFrom, tLength] = styleOf(templ);
    if (from < 0 || tFrom < 0)
        return sample;
    sample.replace(from, length, templ.mid(tFrom, tLength));
    const qsizetype body = sample.indexOf("<div class=\"message\">");
    // The template's own opening tags of the body, the header table and its cells.
    const auto tagOf = [&templ](const char* start) {
        const qsizetype at = templ.indexOf(start);
        return QString::fromUtf8(templ.mid(at, templ.indexOf('>', at) + 1 - at));
    };
    QString cells = QString::fromUtf8(sample.left(body));
    cells.replace(QStringLiteral("<body>"), tagOf("<body"));
    cells.replace(QStringLiteral("<table class=\"envelope\">"), tagOf("<table class=\"envelope\""));
    cells.replace(QStringLiteral("<th>"), tagOf("<th "));
    cells.replace(QStringLiteral("<td>"), tagOf("<td "));
    return cells.toUtf8() + sample.mid(body);
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // As the client starts.
    vellorin::PreferSoftwareRendering();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir shots(QString::fromLocal8Bit(argv[1]));
    vellorin::SetMessageViewFolders(
        {QCoreApplication::applicationDirPath(), QStringLiteral(VELLORIN_BUILD_BIN)});
    QString why;
    vellorin::MessageViewFactory* engine = vellorin::LoadMessageViewFactory(&why);
    if (engine == nullptr) {
        std::fprintf(stderr, "no web engine view: %s\n", qPrintable(why));
        return 1;
    }
    const QByteArray templ = Read(QStringLiteral(VELLORIN_VIEW_TEMPLATE));
    const QDir samples(QStringLiteral(VELLORIN_SAMPLES));
    for (const QFileInfo& file : samples.entryInfoList({QStringLiteral("*.htm")}, QDir::Files)) {
        const QString page = shots.filePath(file.fileName());
        QFile out(page);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(CurrentLook(Read(file.filePath()), templ)) < 0)
            return 1;
        out.close();
        QWidget pair;
        auto* row = new QHBoxLayout(&pair);
        row->setContentsMargins(0, 0, 0, 0);
        int loaded = 0;
        const auto done = [&loaded](bool) { ++loaded; };
        for (vellorin::MessageViewFactory* factory :
             {&vellorin::BuiltInMessageViewFactory(), engine}) {
            vellorin::MessageView* view = factory->createMessageView(
                QUrl::fromLocalFile(page), file.baseName(), done, {}, &pair);
            row->addWidget(view->widget(), 1);
            view->loadPage();
        }
        pair.setGeometry(0, 0, 1280, 760);
        pair.show();
        for (int i = 0; i < 200 && loaded < 2; ++i)
            Wait(100);
        Wait(1500);
        QGuiApplication::primaryScreen()
            ->grabWindow(0, 0, 0, pair.width(), pair.height())
            .save(shots.filePath(file.baseName() + ".png"));
        std::printf("%s\n", qPrintable(shots.filePath(file.baseName() + ".png")));
    }
    return 0;
}
