#include "view/PanEngine.h"

namespace {

// The move along one axis at the scroll position `pos` (0..range, the image's offset negated):
// a move that would pass either end stops there.
int clampMove(int move, int pos, int range)
{
    if (move < 0 && pos - move > range)
        return pos - range;
    if (move > 0 && pos - move < 0)
        return pos;
    return move;
}

} // namespace

void PanEngine::setRanges(QSize image, QSize box)
{
    ScrollRangeX = image.width() > box.width() ? image.width() - box.width() : 0;
    ScrollRangeY = image.height() > box.height() ? image.height() - box.height() : 0;
}

void PanEngine::beginDrag(QPoint pointer)
{
    Dragging = true;
    ScrollPrevX = ScrollCurX = pointer.x();
    ScrollPrevY = ScrollCurY = pointer.y();
}

void PanEngine::dragTo(QPoint pointer)
{
    if (!Dragging)
        return;
    ScrollCurX = pointer.x();
    ScrollCurY = pointer.y();
}

void PanEngine::beginKeys()
{
    KeyScrolling = true;
    ScrollPrevX = ScrollPrevY = ScrollCurX = ScrollCurY = 0;
}

void PanEngine::stepKey(Arrow arrow)
{
    if (!KeyScrolling)
        return;
    // Positive steps move the photo right and down, so Left shows more of its left part.
    switch (arrow) {
    case Arrow::Left:
        ScrollCurX += KeyStep;
        break;
    case Arrow::Right:
        ScrollCurX -= KeyStep;
        break;
    case Arrow::Up:
        ScrollCurY += KeyStep;
        break;
    case Arrow::Down:
        ScrollCurY -= KeyStep;
        break;
    }
}

void PanEngine::stop()
{
    Dragging = false;
    KeyScrolling = false;
}

std::optional<QPoint> PanEngine::tick(QPoint imageTopLeft)
{
    if (ScrollRangeX == 0 && ScrollRangeY == 0) {
        Dragging = false;
        return std::nullopt;
    }
    int dx = ScrollRangeX == 0 ? 0 : ScrollCurX - ScrollPrevX;
    int dy = ScrollRangeY == 0 ? 0 : ScrollCurY - ScrollPrevY;
    dy = clampMove(dy, -imageTopLeft.y(), ScrollRangeY);
    dx = clampMove(dx, -imageTopLeft.x(), ScrollRangeX);
    if (Dragging) {
        // The next tick moves by what the pointer moved since this one.
        ScrollPrevX = ScrollCurX;
        ScrollPrevY = ScrollCurY;
    } else if (KeyScrolling) {
        ScrollPrevX = ScrollPrevY = 0;
    }
    return QPoint(dx, dy);
}
