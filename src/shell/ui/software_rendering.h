#pragma once

namespace vellorin {

// Has the windows, the message pages included, drawn without OpenGL: on X11 no OpenGL driver is
// loaded (the web engine otherwise makes a shared OpenGL context as the application starts,
// which maps the driver, tens of megabytes with a software rasteriser, into every session
// whether or not a message is ever opened), and the web view's scene is drawn in software.
// Message pages are plain documents without scripts, which software drawing shows sooner.
//
// Must run before the QApplication is made. Sets QT_XCB_GL_INTEGRATION=none and
// QT_QUICK_BACKEND=software in the environment (inherited by the web engine's helper
// processes); when the user has set either variable, it changes nothing, as the pair only works
// together.
void PreferSoftwareRendering();

}  // namespace vellorin
