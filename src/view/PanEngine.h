#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

// The state and arithmetic of panning a photo larger than the view area, by dragging or by
// held arrow keys. The window owns the timer and moves the photo by what tick() returns.
class PanEngine
{
public:
    // The pixels per tick that one arrow key-down adds to the step.
    static constexpr int KeyStep = 8;

    enum class Arrow { Left, Up, Right, Down };

    bool Dragging = false;
    bool KeyScrolling = false;
    // How far the photo can move in each axis: image minus box where the image is larger.
    qint32 ScrollRangeX = 0, ScrollRangeY = 0;
    // Drag: the pointer in view-area coordinates, now and at the previous tick.
    // Keys: the step per tick, and 0.
    qint32 ScrollCurX = 0, ScrollCurY = 0;
    qint32 ScrollPrevX = 0, ScrollPrevY = 0;

    bool panning() const { return Dragging || KeyScrolling; }

    void setRanges(QSize image, QSize box);
    void beginDrag(QPoint pointer);
    void dragTo(QPoint pointer);
    void beginKeys();
    void stepKey(Arrow arrow);
    void stop();

    // One tick, given the photo's top-left corner in the view area: the distance to move the
    // photo, kept so that the view never leaves the photo. Nothing when the photo fits in
    // both axes; a drag then ends, while a key pan lasts until its key is released.
    std::optional<QPoint> tick(QPoint imageTopLeft);
};
