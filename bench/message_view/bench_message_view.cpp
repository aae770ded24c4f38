// bench_message_view: how long the built-in message view takes to show a large page, from
// loadPage until the page is laid out and its first screen drawn (target: within 1 s for 1 MB).
//
//   page_1mb_ms   a 1 MB message (paragraphs, lists, links, a table), median and highest of RUNS
//   page_5mb_ms   the same for 5 MB
//
// Usage: bench_message_view [RUNS]   (QT_QPA_PLATFORM as given, offscreen when unset)

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "view/ui/built_in_view_factory.h"

namespace {

// A message page of about `bytes` bytes.
QByteArray Page(qsizetype bytes) {
    const QByteArray block =
        "<h3>Section</h3><p>The <b>harbour</b> reopens on <i>Thursday</i>; read the "
        "<a href=\"https://example.org/notice\">notice</a> before you go.</p>"
        "<ul><li>Fuel prices</li><li>Opening hours</li></ul>"
        "<table border=1><tr><td>Rope</td><td>2</td><td>38.00</td></tr></table>\n";
    QByteArray page = "<html><body>";
    while (page.size() < bytes)
        page += block;
    return page + "</body></html>";
}

// Milliseconds from loadPage until the page's first screen has been drawn.
double ShowOnce(const QString& path) {
    bool loaded = false;
    vellorin::MessageView* view = vellorin::BuiltInMessageViewFactory().createMessageView(
        QUrl::fromLocalFile(path), QStringLiteral("Bench"), [&loaded](bool) { loaded = true; }, {},
        nullptr);
    QWidget* widget = view->widget();
    widget->resize(900, 700);
    widget->show();
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    view->loadPage();
    while (!loaded)
        QCoreApplication::processEvents();
    widget->repaint();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    delete widget;
    return ms;
}

void Report(const char* name, const QString& path, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(ShowOnce(path));
    std::sort(times.begin(), times.end());
    std::printf("%s median %.1f highest %.1f\n", name, times[times.size() / 2], times.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const struct {
        const char* name;
        qsizetype bytes;
    } pages[] = {{"page_1mb_ms", qsizetype(1) << 20}, {"page_5mb_ms", qsizetype(5) << 20}};
    for (const auto& page : pages) {
        const QString path = dir.filePath(QString::fromLatin1(page.name) + ".htm");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(Page(page.bytes)) < 0)
            return 1;
        file.close();
        Report(page.name, path, runs);
    }
    return 0;
}
