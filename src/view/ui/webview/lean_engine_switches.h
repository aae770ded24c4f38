#pragma once

#include <QByteArray>

namespace vellorin {

// The environment variable the web engine reads its Chromium switches from when it starts.
inline constexpr const char* kChromiumFlagsVariable = "QTWEBENGINE_CHROMIUM_FLAGS";

// The Chromium switches that keep the web engine small for message pages (plain documents
// without scripts, drawn in software):
// - --no-unsandboxed-zygote: no second, unsandboxed zygote process waiting to start helpers
//   that run without a sandbox; the engine draws in the client's own process and runs its
//   network service there, so none is ever started from it. The renderers' zygote and its
//   sandbox stay as they are.
// - --renderer-process-limit=1: however many message windows are open, their pages share one
//   renderer process.
// - --enable-low-end-device-mode: the engine's caches and memory budgets (tiles, decoded
//   images) sized for a small device, which a page of text and a few pictures never feels.
// Together they take about 10 MB off one open message (an unshared engine: about 177 MB of PSS
// for the client and its helpers without them, 166 MB with them). What remains is mostly the
// engine's code pages in the client and the renderer, which no switch changes;
// --disable-threaded-compositing would take 3 MB more off the renderer but leaves pages drawn
// in software blank, so it is not among them.
QByteArray LeanEngineSwitches();

// Puts LeanEngineSwitches() into QTWEBENGINE_CHROMIUM_FLAGS unless the user has set the
// variable (even to nothing). Has an effect only before the web engine starts.
void PreferLeanEngine();

}  // namespace vellorin
