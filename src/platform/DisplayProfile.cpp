#include "platform/DisplayProfile.h"

#include <QGuiApplication>

#include <climits>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace DisplayProfile {

QByteArray read()
{
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return {};
    // Only look the atom up: a screen that never had a profile need not get the name.
    const Atom atom = XInternAtom(display, "_ICC_PROFILE", True);
    if (atom == None)
        return {};
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    QByteArray profile;
    if (XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, LONG_MAX / 4, False,
                           AnyPropertyType, &type, &format, &items, &after, &data) == Success &&
        data && format == 8)
        profile = QByteArray(reinterpret_cast<const char*>(data), qsizetype(items));
    if (data)
        XFree(data);
    return profile;
}

} // namespace DisplayProfile
