#include "platform/PaintNow.h"

#include <QBackingStore>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <QWindow>

void paintAloneNow(QWidget* widget)
{
    if (!widget || !widget->isVisible())
        return;
    QWidget* window = widget->window();
    QBackingStore* store = window->backingStore();
    QWindow* handle = window->windowHandle();
    if (!store || !handle || !handle->isExposed())
        return;
    // The window's own repaint would also draw every other part that waits for a paint (a
    // photo laid out but not yet decoded); drawing into its backing store directly does not.
    const QPoint offset = widget->mapTo(window, QPoint(0, 0));
    const QRegion region = widget->visibleRegion().translated(offset);
    if (region.isEmpty())
        return;
    store->beginPaint(region);
    {
        QPainter painter(store->paintDevice());
        painter.setClipRegion(region);
        widget->render(&painter, offset, QRegion(),
                       QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    store->endPaint();
    store->flush(region, handle);
}
