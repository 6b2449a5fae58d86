#include "output/PrintGeometry.h"

#include "view/FitGeometry.h"

PageRect FitToPage(int pageWidth, int pageHeight, int imageWidth, int imageHeight)
{
    const qint64 sx = FitGeometry::scaleFor(pageWidth, imageWidth);
    const qint64 sy = FitGeometry::scaleFor(pageHeight, imageHeight);
    PageRect r;
    if (sy >= sx) {
        const int w = int(FitGeometry::scaled(imageWidth, sx));
        const int h = int(FitGeometry::scaled(imageHeight, sx));
        r.left = 0;
        r.top = pageHeight / 2 - h / 2;
        r.right = w;
        r.bottom = r.top + h;
    } else {
        const int w = int(FitGeometry::scaled(imageWidth, sy));
        const int h = int(FitGeometry::scaled(imageHeight, sy));
        r.left = pageWidth / 2 - w / 2;
        r.top = 0;
        r.right = r.left + w;
        r.bottom = h;
    }
    return r;
}

QPageLayout::Orientation printOrientation(QSize image)
{
    return image.height() < image.width() ? QPageLayout::Landscape : QPageLayout::Portrait;
}
