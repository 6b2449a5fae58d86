#include "view/FitGeometry.h"

#include <algorithm>

namespace FitGeometry {

qint64 scaleFor(qint64 box, qint64 picture)
{
    if (picture <= 0)
        return 0;
    const qint64 numerator = box * 10000;
    const bool negative = numerator < 0;
    const qint64 magnitude = negative ? -numerator : numerator;
    qint64 quotient = magnitude / picture;
    const qint64 twiceRemainder = 2 * (magnitude % picture);
    if (twiceRemainder > picture || (twiceRemainder == picture && quotient % 2 != 0))
        ++quotient;
    return negative ? -quotient : quotient;
}

qint64 scaled(qint64 picture, qint64 scale)
{
    return picture * scale / 10000;
}

Fit fit(QSize box, QSize picture)
{
    const qint64 sx = scaleFor(box.width(), picture.width());
    const qint64 sy = scaleFor(box.height(), picture.height());
    Fit result;
    result.widthLimited = sy >= sx;
    result.scale = result.widthLimited ? sx : sy;
    result.size = QSize(int(scaled(picture.width(), result.scale)),
                        int(scaled(picture.height(), result.scale)));
    return result;
}

QPoint withinReach(QPoint at, QSize image, QSize box)
{
    const auto axis = [](int at, int image, int box) {
        const int spare = box - image; // negative when the image is the larger
        return std::clamp(at, std::min(0, spare), std::max(0, spare));
    };
    return {axis(at.x(), image.width(), box.width()), axis(at.y(), image.height(), box.height())};
}

} // namespace FitGeometry
