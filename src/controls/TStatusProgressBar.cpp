#include "controls/TStatusProgressBar.h"

#include "controls/PanelStatusBar.h"
#include "platform/PaintNow.h"

TStatusProgressBar::TStatusProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
}

void TStatusProgressBar::setStatusBar(PanelStatusBar* statusBar)
{
    if (statusBar == m_statusBar)
        return;
    PlaceInPanel(statusBar, 0);
    m_statusBar = statusBar;
    m_panelIndex = 0;
}

void TStatusProgressBar::setPanelIndex(int index)
{
    PlaceInPanel(m_statusBar, index);
    m_panelIndex = index;
}

void TStatusProgressBar::setPositionNow(int position)
{
    // QProgressBar repaints itself at once on a large change, and that repaint would draw
    // every other part of the window that waits for a paint (a photo not yet decoded).
    setUpdatesEnabled(false);
    setValue(position);
    setUpdatesEnabled(true);
    paintAloneNow(this);
}

void TStatusProgressBar::PlaceInPanel(PanelStatusBar* statusBar, int index)
{
    if (!statusBar) {
        // Back onto the window that holds the bar, keeping its bounds.
        QWidget* form = parentWidget() ? parentWidget()->window() : nullptr;
        const QRect bounds = geometry();
        setParent(form);
        setGeometry(bounds);
        if (form)
            show();
        return;
    }
    if (parentWidget() != statusBar) {
        setParent(statusBar);
        show();
    }
    setGeometry(statusBar->panelRect(index));
    raise();
}
