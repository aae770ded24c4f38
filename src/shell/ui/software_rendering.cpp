#include "shell/ui/software_rendering.h"

#include <QByteArray>
#include <QtGlobal>

namespace vellorin {

void PreferSoftwareRendering() {
    if (qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION") ||
        qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        return;
    qputenv("QT_XCB_GL_INTEGRATION", QByteArrayLiteral("none"));
    qputenv("QT_QUICK_BACKEND", QByteArrayLiteral("software"));
}

}  // namespace vellorin
