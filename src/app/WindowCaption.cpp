#include "app/WindowCaption.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {
const QString kMark = QStringLiteral("[*]");
const QString kDoubledMark = QStringLiteral("[*][*]");
} // namespace

namespace WindowCaption {

QString toWindowTitle(const QString& caption)
{
    return QString(caption).replace(kMark, kDoubledMark);
}

QString fromWindowTitle(const QString& title)
{
    return QString(title).replace(kDoubledMark, kMark);
}

void showEmpty(QWindow& window)
{
    // Qt's X11 platform puts the program's name in place of an empty title; the window's two
    // title properties are emptied here after it.
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return result;
    };
    const auto id = xcb_window_t(window.winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                        8, 0, nullptr);
    const xcb_atom_t netName = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    if (netName != XCB_ATOM_NONE && utf8 != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netName, utf8, 8, 0, nullptr);
    xcb_flush(connection);
}

} // namespace WindowCaption
