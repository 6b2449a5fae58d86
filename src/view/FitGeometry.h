#pragma once

#include <QPoint>
#include <QSize>

// The fit arithmetic shared by the main view, the preview and printing. Scales are integers
// in ten-thousandths of the natural size.
namespace FitGeometry {

// box / picture x 10000 rounded to the nearest integer, halves to the even neighbour, computed
// exactly (no floating-point error at the halves).
qint64 scaleFor(qint64 box, qint64 picture);

// picture x scale / 10000, cut toward zero.
qint64 scaled(qint64 picture, qint64 scale);

struct Fit
{
    qint64 scale = 0;
    bool widthLimited = true; // the width governs when the height scale is >= the width scale
    QSize size;               // the picture's size at that scale
};

// The largest size of the picture that fits the box, aspect ratio kept.
Fit fit(QSize box, QSize picture);

// Where an image of the given size at `at` goes so that panning can reach all of it, moved by
// the least amount on each axis: an image narrower than the box lies within it, a wider one
// covers it.
QPoint withinReach(QPoint at, QSize image, QSize box);

} // namespace FitGeometry
