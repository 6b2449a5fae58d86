#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

// Where the main window stands at start-up, from the position stored in the settings file.
namespace WindowPlacement {

// The stored frame position (left, top) as it is, while some part of the window's title bar,
// the strip of `titleBarHeight` pixels along the top of a frame `width` pixels wide, lies on
// one of the screens; otherwise the primary screen's top-left corner, so that the user can
// always reach the window. Any 32-bit values are safe.
QPoint place(qint32 left, qint32 top, int width, int titleBarHeight, const QList<QRect>& screens,
             const QRect& primary);

} // namespace WindowPlacement
