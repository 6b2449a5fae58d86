#pragma once

#include <QRect>

// Where the preview frame and its picture stand inside the preview area.
struct PreviewPlacement
{
    QRect frame;   // PrevPanel, in the preview area
    QRect picture; // Image2, inside the frame (at 2, 2: the frame's bevel)
};

// The picture of size `picture` scaled (up or down) into an area of size `area`, less the
// 2-px bevel on each side, and centred on the axis with room to spare.
PreviewPlacement fitPreview(QSize area, QSize picture);
