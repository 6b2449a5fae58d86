#include "picture/DecodeScale.h"

namespace DecodeScale {

QSize scaled(QSize natural, int eighths)
{
    const auto side = [eighths](int length) { return int((qint64(length) * eighths + 7) / 8); };
    return QSize(side(natural.width()), side(natural.height()));
}

int eighthsToCover(QSize natural, QSize cover)
{
    if (cover.width() <= 0 || cover.height() <= 0)
        return 8;
    for (int eighths = 1; eighths < 8; ++eighths) {
        const QSize size = scaled(natural, eighths);
        if (size.width() >= cover.width() && size.height() >= cover.height())
            return eighths;
    }
    return 8;
}

} // namespace DecodeScale
