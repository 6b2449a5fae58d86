#pragma once

#include <QPointer>
#include <QProgressBar>

#include "controls/PanelStatusBar.h"

// A progress bar that places itself over one panel of a status bar. It is placed only when
// one of its two properties is assigned; it does not follow later size changes.
class TStatusProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit TStatusProgressBar(QWidget* parent = nullptr);

    PanelStatusBar* statusBar() const { return m_statusBar; }
    // Assigning another status bar places the bar over its panel 0.
    void setStatusBar(PanelStatusBar* statusBar);
    int panelIndex() const { return m_panelIndex; }
    void setPanelIndex(int index);

    // Sets the position and puts the bar on the screen at once, drawing nothing else of the
    // window: for progress reported while a long piece of work holds the event loop.
    void setPositionNow(int position);

private:
    void PlaceInPanel(PanelStatusBar* statusBar, int index);

    QPointer<PanelStatusBar> m_statusBar;
    int m_panelIndex = 0;
};
