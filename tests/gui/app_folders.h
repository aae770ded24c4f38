#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/app_context.h"
#include "base/clock.h"
#include "gui/gui_tests.h"
#include "inbox/inbox_store.h"
#include "shell/ui/qt_user_seam.h"
#include "subscriptions/subscriptions.h"
#include "support/recording_seam.h"
#include "support/scoped_env.h"

namespace vellorin::test {

// Fresh folders for a client: the application folder (maybe with a settings.cfg), data/ and
// config/ in dataHome, a hand-set clock, and the options that start the core over them.
struct AppFolders {
    explicit AppFolders(const QByteArray& settings = {}) {
        if (!settings.isEmpty())
            write(appFile("settings.cfg"), settings);
    }

    AppOptions options(std::string commandLine = "-s") const {
        AppOptions options;
        options.appFolder = appDir.path().toStdString();
        options.dataFolderOverride = QDir(dataHome.path()).filePath("data").toStdString();
        options.commandLine = std::move(commandLine);
        return options;
    }
    QString appFile(const QString& name) const { return QDir(appDir.path()).filePath(name); }
    QString dataFile(const QString& name) const {
        return QDir(dataHome.path()).filePath("data/" + name);
    }
    // Copies the shipped file `name` from the resources into the application folder.
    void ship(const QString& name) const {
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath(name), appFile(name));
    }
    QByteArray settings() const { return read(appFile("settings.cfg")); }

    // The bytes of a file, empty when it cannot be read.
    static QByteArray read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir appDir, dataHome;
    ScopedEnv configHome{"XDG_CONFIG_HOME", QDir(dataHome.path()).filePath("config").toStdString()};
    ManualClock clock;
};

// An 8 by 6 red picture as PNG.
inline QByteArray PngBytes() {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A page that reaches for the server at `root` every way a page can, with the picture `file`
// and an inline one: a message view asks the server for nothing and runs no script.
inline QByteArray HostilePage(const QByteArray& root, const QString& file) {
    QByteArray html =
        "<html><head><title>Kept</title><link rel=stylesheet href=\"@@/a.css\">"
        "<style>@import url(@@/b.css); body { background: url(@@/c.png) }</style>"
        "<meta http-equiv=refresh content=\"0; url=@@/d\"><script>document.write("
        "'ran'); document.title = 'ran'</script></head><body><p>Start <img src="
        "\"@@/e.png\" alt=\"Company logo\"> <img id=remote src=\"@@/f.png\" "
        "width=600 height=300><img id=file src=\"" +
        QUrl::fromLocalFile(file).toEncoded() + "\"><img id=inline src=\"data:image/png;base64," +
        PngBytes().toBase64() +
        "\"></p><iframe src=\"@@/g\"></iframe><object data=\"@@/h\"></object><embed "
        "src=\"@@/i\"><form action=\"@@/j\"><input></form><table background=\"@@/"
        "k.png\"><tr><td>cell</td></tr></table><p style=\"background-image: url("
        "@@/l.png)\">End</p></body></html>";
    return html.replace("@@/", root + "/");
}

// Subscribes `title` at `link` through the core, as the subscribe dialog does; gives the
// source's identifier (empty on failure).
inline std::string Subscribe(AppContext& context, const std::string& title,
                             const std::string& link) {
    mSubscriptions& list = context.subscriptions;
    if (!list.AddSource(title, link))
        return {};
    list.CurrentSource.Link = link;
    return list.SourceAction(mSubscriptions::LoadSource) ? list.CurrentSource.ID : std::string();
}

// Stores a message in the source's inbox as a check run does, unread, then marks it read when
// `read`.
inline bool Store(AppContext& context, const std::string& sourceId, const std::string& guid,
                  const std::string& title, const std::string& date, const std::string& time,
                  bool read, const std::string& description = "<p>Hello</p>") {
    mInbox& inbox = context.inbox;
    inbox.CurrentSourceID = sourceId;
    inbox.LoadLatestStamp();
    inbox.CurrentItem = InboxItem{title, description, date, time, "+0000", guid, 0};
    return inbox.SaveItem() && (!read || inbox.InboxItemAction(mInbox::MarkRead));
}

// The client's own seam with its boxes kept instead of shown: each is answered with `answer` if
// set, else with the box's default button.
class KeptBoxesSeam : public QtUserSeam {
public:
    KeptBoxesSeam() {
        setAutoAnswer([this](const MessageBoxRequest& request) -> std::optional<MsgAnswer> {
            boxes.push_back(request);
            return answer.value_or(DefaultAnswer(request));
        });
    }
    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const MessageBoxRequest& box : boxes)
            out.push_back(box.caption);
        return out;
    }

    std::vector<MessageBoxRequest> boxes;
    std::optional<MsgAnswer> answer;
};

// A fresh application folder and data folder with a core context over them, whose boxes a
// recording seam answers unless another seam is given.
class MessageFolder : public AppFolders {
public:
    explicit MessageFolder(UserSeam* boxes = nullptr, const QByteArray& settings = {})
        : AppFolders(settings) {
        context = std::make_unique<AppContext>(options(), boxes ? *boxes : seam, clock);
        context->subscriptions.EnsureDataFolder();
    }

    RecordingSeam seam;
    std::unique_ptr<AppContext> context;
};

}  // namespace vellorin::test
