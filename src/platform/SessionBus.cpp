#include "platform/SessionBus.h"

#include <QByteArray>
#include <QtGlobal>

#include <sys/stat.h>

namespace SessionBus {

void preventAutolaunch()
{
    if (!qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty())
        return;
    // The per-user bus of systemd, which the library finds by itself.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st = {};
    if (!runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &st) == 0 &&
        S_ISSOCK(st.st_mode))
        return;
    // An address of no known transport: every connection fails at once, nothing is started.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

} // namespace SessionBus
