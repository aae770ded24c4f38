#include "view/ui/webview/lean_engine_switches.h"

namespace vellorin {

QByteArray LeanEngineSwitches() {
    return QByteArrayLiteral("");
}

}  // namespace vellorin
