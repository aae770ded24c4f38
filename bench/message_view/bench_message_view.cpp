// bench_message_view: how long the built-in message view takes to show a large page, from
// loadPage until the page is laid out and its first screen drawn (target: within 1 s for 1 MB).
//
//   page_1mb_ms     a 1 MB page (paragraphs, lists, links, a table), median and highest of RUNS
//   message_1mb_ms  the same body in the program's message template (resources/view.tpl), as a
//                   message window shows it: the template's style sheet applies to all of it
//   page_5mb_ms     the 5 MB page
//
// Each figure is given as the time on the clock and as the processor time the process used
// (cpu): on a machine that other work keeps busy the first grows, the second does not.
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
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "view/message_page.h"
#include "view/ui/built_in_view_factory.h"

namespace {

// A page body of about `bytes` bytes.
QByteArray Body(qsizetype bytes) {
    const QByteArray block =
        "<h3>Section</h3><p>The <b>harbour</b> reopens on <i>Thursday</i>; read the "
        "<a href=\"https://example.org/notice\">notice</a> before you go.</p>"
        "<ul><li>Fuel prices</li><li>Opening hours</li></ul>"
        "<table border=1><tr><td>Rope</td><td>2</td><td>38.00</td></tr></table>\n";
    QByteArray body;
    while (body.size() < bytes)
        body += block;
    return body;
}

QByteArray Page(qsizetype bytes) {
    return "<html><body>" + Body(bytes) + "</body></html>";
}

// The body in the message template, filled as for a message window.
QByteArray Message(qsizetype bytes) {
    QFile file(QStringLiteral(VELLORIN_VIEW_TEMPLATE));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    vellorin::MessageHeader header;
    header.FromName = "Harbour News";
    header.FromEmail = "news@harbour.example";
    header.Subject = "A long digest";
    header.Body = Body(bytes).toStdString();
    return QByteArray::fromStdString(vellorin::FillTemplate(file.readAll().toStdString(), header));
}

double ProcessorMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Milliseconds from loadPage until the page's first screen has been drawn: on the clock, and
// of processor time.
std::pair<double, double> ShowOnce(const QString& path) {
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
    const double cpuStart = ProcessorMs();
    view->loadPage();
    while (!loaded)
        QCoreApplication::processEvents();
    widget->repaint();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double cpu = ProcessorMs() - cpuStart;
    delete widget;
    return {ms, cpu};
}

void Report(const char* name, const QString& path, int runs) {
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const auto [ms, used] = ShowOnce(path);
        times.push_back(ms);
        cpu.push_back(used);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%s median %.1f highest %.1f cpu median %.1f highest %.1f\n", name,
                times[times.size() / 2], times.back(), cpu[cpu.size() / 2], cpu.back());
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
        QByteArray html;
    } pages[] = {{"page_1mb_ms", Page(qsizetype(1) << 20)},
                 {"message_1mb_ms", Message(qsizetype(1) << 20)},
                 {"page_5mb_ms", Page(qsizetype(5) << 20)}};
    for (const auto& page : pages) {
        const QString path = dir.filePath(QString::fromLatin1(page.name) + ".htm");
        QFile file(path);
        if (page.html.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(page.html) < 0)
            return 1;
        file.close();
        Report(page.name, path, runs);
    }
    return 0;
}
