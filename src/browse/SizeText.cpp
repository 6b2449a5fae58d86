#include "browse/SizeText.h"

QString sizeText(qint64 bytes, bool inKilobytes, const QLocale& locale)
{
    if (!inKilobytes)
        return QString::number(bytes) + QStringLiteral("Byte");

    // bytes / 1024 is exact in binary, so round it exactly, once, at the coarser of the two
    // limits: one decimal, or five significant digits (whole kilobytes from 10,000 KB up).
    // From 100,000 KB the integer part alone exceeds five digits; it is then shown whole,
    // rounded to whole kilobytes, in the same fixed form rather than a scientific one.
    const qint64 magnitude = bytes < 0 ? -bytes : bytes;
    qint64 tenths = (magnitude * 20 + 1024) / 2048;
    if (tenths >= 100000) // 10,000.0 KB and more: five digits before the point
        tenths = (magnitude * 2 + 1024) / 2048 * 10;

    QString integer = locale.toString(tenths / 10);
    if (bytes < 0)
        integer.prepend(locale.negativeSign());
    return integer + locale.decimalPoint() + QString::number(tenths % 10) + QStringLiteral("KB");
}
