#pragma once

#include <QPageLayout>
#include <QRect>
#include <QSize>

// Where a printed photo lands on the page, and which way the paper turns. Pure arithmetic,
// on the same ten-thousandths scale as the view's fit.

// The destination of a photo on the printable area, in page pixels; right and bottom are
// exclusive, so the size is right - left by bottom - top.
struct PageRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    QRect rect() const { return QRect(left, top, right - left, bottom - top); }
    friend bool operator==(const PageRect&, const PageRect&) = default;
};

// The photo scaled to fill the page with its proportions kept: it touches two opposite edges
// and is centred along the other axis. The width governs on a tie, so a photo shaped like the
// page starts at the top-left corner.
PageRect FitToPage(int pageWidth, int pageHeight, int imageWidth, int imageHeight);

// Landscape for a photo wider than it is tall; a square one prints portrait.
QPageLayout::Orientation printOrientation(QSize image);
