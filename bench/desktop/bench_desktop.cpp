// bench_desktop: the desktop client's timings that only the process itself can see, over an
// application folder and a data folder prepared beforehand (bench/desktop.sh makes them):
//
//   tree_ms         constructing the main window, whose load sequence fills the message tree from
//                   the subscription list and every inbox, until the events it queued have run
//   tree_nodes      how many nodes the tree then holds (sources and messages)
//   first_page_ms   a double-click on a message until its page has loaded, the first of the
//                   session (the view chosen in settings.cfg starts with it)
//   page_ms         the same for the next messages (median and highest of PAGES)
//   open_close_kb   with --open-close N: N messages of one source opened and their windows closed
//                   in turn; the process's PSS (KiB) after the first and after the last (on
//                   standard error also after each hundred)
//                   (its growth is what a long session of reading would leave behind)
//
// The main window is shown (the tray's "Show Inbox") before the first double-click. A double-click
// is what the tree view reports after a real one: the message selected, then its DblClick signal.
//
// Usage: bench_desktop --app-dir DIR --data-dir DIR [--pages N] [--open-close N]
// (QT_QPA_PLATFORM as given; the view is the one settings.cfg in DIR chooses)

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "base/clock.h"
#include "inbox/online_state.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/qt_user_seam.h"
#include "shell/ui/software_rendering.h"
#include "view/tree_control.h"
#include "view/ui/frm_doc.h"
#include "view/ui/frm_options.h"
#include "view/ui/message_view_plugin.h"
#include "view/ui/tree_view.h"

namespace {

struct Options {
    std::string appDir;
    std::string dataDir;
    int pages = 10;
    int openClose = 0;
};

bool Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--app-dir")
            options.appDir = argv[i + 1];
        else if (arg == "--data-dir")
            options.dataDir = argv[i + 1];
        else if (arg == "--pages")
            options.pages = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--open-close")
            options.openClose = std::max(0, std::atoi(argv[i + 1]));
        else
            return false;
    }
    return !options.appDir.empty() && !options.dataDir.empty();
}

// Lets queued events run until nothing is left to do.
void Settle() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The newest message of the top-level source `row`, or nullptr.
vellorin::TreeNode* MessageOf(const vellorin::TreeControl& tree, int row) {
    vellorin::TreeNode* source = tree.topLevelNode(row % std::max(1, tree.topLevelCount()));
    return source != nullptr && source->childCount() > 0 ? source->child(0) : nullptr;
}

// Double-clicks `message` in the tree; gives the milliseconds until its page had loaded, or -1
// when no page loaded within 60 s.
double OpenMessage(vellorin::frmMain& window, vellorin::TreeView& view,
                   vellorin::TreeNode* message) {
    QElapsedTimer clock;
    clock.start();
    (void)message->tree().setSelectedNode(message);
    emit view.DblClick();
    QMdiSubWindow* sub = window.mdiArea()->activeSubWindow();
    auto* doc = sub != nullptr ? qobject_cast<vellorin::frmDoc*>(sub->widget()) : nullptr;
    if (doc == nullptr)
        return -1;
    QEventLoop loop;
    bool loaded = false;
    QObject::connect(doc, &vellorin::frmDoc::pageLoaded, &loop, [&](bool ok) {
        loaded = ok;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    return loaded ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : -1;
}

// This process's PSS in KiB (0 when it cannot be read).
long ProcessPss() {
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string name;
    long kb = 0;
    while (rollup >> name) {
        if (name == "Pss:" && rollup >> kb)
            return kb;
        rollup.ignore(1 << 12, '\n');
    }
    return 0;
}

// Opens and closes `count` messages in turn; prints the PSS after the first and after the last.
void OpenAndClose(vellorin::frmMain& window, vellorin::TreeView& view,
                  const vellorin::TreeControl& tree, int count) {
    long first = 0;
    for (int i = 0; i < count; ++i) {
        // The messages of the first source one after the other, as a person reads a source (the
        // first message of each source would also load that source's inbox once).
        vellorin::TreeNode* source = tree.topLevelNode(0);
        if (source == nullptr || source->childCount() == 0)
            break;
        const int row = i % source->childCount();
        if (OpenMessage(window, view, source->child(row)) < 0)
            break;
        window.mdiArea()->closeAllSubWindows();
        Settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (i == 0)
            first = ProcessPss();
        if ((i + 1) % 100 == 0)
            std::fprintf(stderr, "open_close_kb_after %d %ld\n", i + 1, ProcessPss());
    }
    std::printf("open_close_kb %ld %ld\n", first, ProcessPss());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_desktop --app-dir DIR --data-dir DIR [--pages N]\n");
        return 2;
    }
    // As the client does.
    vellorin::PreferSoftwareRendering();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The message view plugin sits in the application folder beside the client.
    vellorin::SetMessageViewFolders({QString::fromStdString(options.appDir)});
    QApplication::setQuitOnLastWindowClosed(false);
    vellorin::QtUserSeam seam;
    seam.setAutoAnswer(&vellorin::AnswerOnStandardError);
    vellorin::AppOptions appOptions;
    appOptions.appFolder = options.appDir;
    appOptions.dataFolderOverride = options.dataDir;
    appOptions.commandLine = "-s";
    vellorin::SystemClock systemClock;
    vellorin::AppContext context(appOptions, seam, systemClock);
    context.online.setOverride(false);

    QElapsedTimer clock;
    clock.start();
    vellorin::frmMain window(context);
    Settle();
    const double treeMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    auto* tree = qobject_cast<vellorin::frmOptions*>(window.treeWindow());
    if (tree == nullptr) {
        std::fprintf(stderr, "no tree window\n");
        return 1;
    }
    std::printf("tree_ms %.1f\n", treeMs);
    std::printf("tree_nodes %zu\n", tree->tvMessages().count());
    std::fflush(stdout);

    window.oSysTray_MenuClick(0, QStringLiteral("show"));
    Settle();
    auto* view = tree->findChild<vellorin::TreeView*>(QStringLiteral("tvMessages"));
    vellorin::TreeNode* first = MessageOf(tree->tvMessages(), 0);
    if (view == nullptr || first == nullptr) {
        std::fprintf(stderr, "no message in the tree\n");
        return 1;
    }
    std::printf("first_page_ms %.1f\n", OpenMessage(window, *view, first));
    std::fflush(stdout);

    std::vector<double> pages;
    for (int i = 1; i <= options.pages; ++i) {
        vellorin::TreeNode* message = MessageOf(tree->tvMessages(), i);
        if (message == nullptr)
            break;
        Settle();
        pages.push_back(OpenMessage(window, *view, message));
    }
    if (!pages.empty()) {
        std::sort(pages.begin(), pages.end());
        std::printf("page_ms %.1f %.1f\n", pages[pages.size() / 2], pages.back());
    }
    std::fflush(stdout);
    if (options.openClose > 0) {
        window.mdiArea()->closeAllSubWindows();
        Settle();
        OpenAndClose(window, *view, tree->tvMessages(), options.openClose);
    }
    return 0;
}
