#pragma once

// A drop box's surroundings for the drop box tests.

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/clock.h"
#include "subscriptions/ui/frm_drop_box.h"
#include "support/recording_seam.h"

namespace vellorin::test {

// An application folder with the program's picture and maybe a settings.cfg, a recording seam
// and the links the drop box passed on.
class DropBoxWorld {
public:
    explicit DropBoxWorld(const QByteArray& settings = {}) {
        QFile::copy(QDir(VELLORIN_RESOURCES_DIR).filePath("vellorin.svg"),
                    QDir(appDir.path()).filePath("vellorin.svg"));
        if (!settings.isEmpty())
            writeSettings(settings);
        AppOptions options;
        options.appFolder = appDir.path().toStdString();
        options.dataFolderOverride = QDir(appDir.path()).filePath("data").toStdString();
        context = std::make_unique<AppContext>(options, seam, clock);
    }

    // A drop box still open when a test ends (one that failed half-way) goes with the world.
    ~DropBoxWorld() {
        for (const QPointer<frmDropBox>& box : boxes)
            delete box.data();
    }

    // Opens a drop box; it deletes itself when closed.
    frmDropBox* open() {
        auto* box =
            new frmDropBox(*context, [this](const std::string& link) { links.push_back(link); });
        boxes.append(box);
        return box;
    }
    QString settingsFile() const { return QDir(appDir.path()).filePath("settings.cfg"); }
    QByteArray settings() const {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeSettings(const QByteArray& text) const {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir appDir;
    RecordingSeam seam;
    ManualClock clock;
    std::unique_ptr<AppContext> context;
    std::vector<std::string> links;
    QList<QPointer<frmDropBox>> boxes;
};

// Drops `mime` on the middle of `box` as a drag from another program would, and lets the drop's
// work run. Gives whether the drag was accepted on entering.
inline bool Drop(frmDropBox* box, const QMimeData& mime) {
    const QPoint middle = box->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    QDropEvent drop(QPointF(middle), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(box, &drop);
    QCoreApplication::sendPostedEvents();
    return enter.isAccepted() && drop.isAccepted();
}

}  // namespace vellorin::test
