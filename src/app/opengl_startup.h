#pragma once

#include <QtGlobal>

namespace pixmora::app {

// Keeps the platform from loading OpenGL for plain widgets (xcb only loads its GL
// integration when asked). Call before the QApplication is created; a value the
// user already set is left alone. Inline so the launch benchmark's bare window
// starts the same way without linking the editor.
inline void avoidOpenGLAtStartup()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

}  // namespace pixmora::app
