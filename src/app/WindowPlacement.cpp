#include "app/WindowPlacement.h"

namespace WindowPlacement {

QPoint place(qint32 left, qint32 top, int width, int titleBarHeight, const QList<QRect>& screens,
             const QRect& primary)
{
    // In 64 bits: the far edges of a window stored near the ends of the 32-bit range do not
    // fit in 32.
    const qint64 barLeft = left;
    const qint64 barTop = top;
    const qint64 barRight = barLeft + width;
    const qint64 barBottom = barTop + titleBarHeight;
    for (const QRect& screen : screens) {
        const qint64 screenRight = qint64(screen.x()) + screen.width();
        const qint64 screenBottom = qint64(screen.y()) + screen.height();
        if (barLeft < screenRight && screen.x() < barRight && barTop < screenBottom &&
            screen.y() < barBottom)
            return QPoint(left, top);
    }
    return primary.topLeft();
}

} // namespace WindowPlacement
