#include "notify/ui/notification_sound.h"

#include <QFileInfo>

#include <canberra.h>

#include <memory>

namespace vellorin {
namespace {

struct ContextDeleter {
    void operator()(ca_context* context) const { ca_context_destroy(context); }
};

// One context for the program, made on first use; it keeps the connection to the sound server
// and plays in its own threads.
ca_context* SoundContext() {
    static const std::unique_ptr<ca_context, ContextDeleter> context = [] {
        ca_context* made = nullptr;
        if (ca_context_create(&made) != CA_SUCCESS)
            made = nullptr;
        return std::unique_ptr<ca_context, ContextDeleter>(made);
    }();
    return context.get();
}

}  // namespace

bool PlayNotificationSound(const QString& path) {
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists() || file.isDir())
        return false;
    if (ca_context* context = SoundContext()) {
        const QByteArray name = QFile::encodeName(file.absoluteFilePath());
        // Asynchronous: the call returns once the sound is queued; its failure (no device) is
        // not the user's concern.
        (void)ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, name.constData(),
                              CA_PROP_EVENT_DESCRIPTION, "Vellorin notification", nullptr);
    }
    return true;
}

}  // namespace vellorin
