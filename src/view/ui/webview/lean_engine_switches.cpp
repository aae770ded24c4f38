#include "view/ui/webview/lean_engine_switches.h"

#include <QtGlobal>

namespace vellorin {

QByteArray LeanEngineSwitches() {
    return QByteArrayLiteral(
        "--no-unsandboxed-zygote --renderer-process-limit=1 --enable-low-end-device-mode");
}

void PreferLeanEngine() {
    if (!qEnvironmentVariableIsSet(kChromiumFlagsVariable))
        qputenv(kChromiumFlagsVariable, LeanEngineSwitches());
}

}  // namespace vellorin
