#pragma once

// A drop box's surroundings for the drop box tests.

#include <memory>
#include <string>
#include <vector>

#include "gui/app_folders.h"
#include "subscriptions/ui/frm_drop_box.h"
#include "support/recording_seam.h"

namespace vellorin::test {

// An application folder with the program's picture and maybe a settings.cfg, a recording seam
// and the links the drop box passed on.
class DropBoxWorld : public AppFolders {
public:
    explicit DropBoxWorld(const QByteArray& settings = {}) : AppFolders(settings) {
        ship("vellorin.svg");
        context = std::make_unique<AppContext>(options(""), seam, clock);
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

    RecordingSeam seam;
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
