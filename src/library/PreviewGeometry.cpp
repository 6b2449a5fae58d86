#include "library/PreviewGeometry.h"

#include "view/FitGeometry.h"

PreviewPlacement fitPreview(QSize area, QSize picture)
{
    const FitGeometry::Fit fit = FitGeometry::fit(area - QSize(4, 4), picture);
    const QSize image = fit.size;
    PreviewPlacement placement;
    placement.picture = QRect(QPoint(2, 2), image);
    const QSize frameSize = image + QSize(4, 4);
    if (fit.widthLimited)
        placement.frame = QRect(QPoint(0, area.height() / 2 - image.height() / 2 - 2), frameSize);
    else
        placement.frame = QRect(QPoint(area.width() / 2 - image.width() / 2 - 2, 0), frameSize);
    return placement;
}
