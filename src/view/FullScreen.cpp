// Full-screen mode and the pop-up toggles that bring the bars back while it is on.
#include "app/TMainForm.h"

#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "platform/ErrorReport.h"
#include "platform/LoopTimer.h"

namespace {

const QString kShowToolBar = QStringLiteral("ツールバーを表示");
const QString kHideToolBar = QStringLiteral("ツールバーを隠す");
const QString kShowMenuBar = QStringLiteral("メニューバーを表示");
const QString kHideMenuBar = QStringLiteral("メニューバーを隠す");

} // namespace

void TMainForm::connectFullScreen()
{
    // The check-mark items run the switch on their state change, whatever changed it: a
    // click, a key in the open menu, an assistive Toggle. The switch sets the marks itself,
    // so the marks are first put back to the mode the request found.
    for (QAction* item : {mFullScreen, pFullScreen}) {
        connect(item, &QAction::toggled, this, [this, item](bool checked) {
            if (m_settingFullScreenMarks)
                return;
            const bool modeBefore = item == mFullScreen ? !checked : mFullScreen->isChecked();
            setFullScreenMarks(modeBefore);
            ErrorReport::guard(this, [this] { mFullScreenClick(); });
        });
    }
    connect(pViewToolBar, &QAction::triggered, this,
            [this] { ErrorReport::guard(this, [this] { pViewToolBarClick(); }); });
    connect(pViewMenuBar, &QAction::triggered, this,
            [this] { ErrorReport::guard(this, [this] { pViewMenuBarClick(); }); });
}

QRect TMainForm::outerBounds() const
{
    // Qt keeps the frame it last knew around a window that has lost its border, so a
    // borderless window's outer bounds are its own.
    return windowFlags().testFlag(Qt::FramelessWindowHint) ? geometry() : frameGeometry();
}

void TMainForm::setFullScreenMarks(bool on)
{
    m_settingFullScreenMarks = true;
    mFullScreen->setChecked(on);
    pFullScreen->setChecked(on);
    m_settingFullScreenMarks = false;
}

void TMainForm::attachScrollBoxResize(bool attached)
{
    if (!attached) {
        disconnect(m_scrollBoxResize);
        m_scrollBoxResize = {};
        return;
    }
    if (!m_scrollBoxResize)
        m_scrollBoxResize = connect(ScrollBox, &ResizeNotifyPanel::resized, this, [this] {
            ErrorReport::guard(this, [this] { ScrollBoxCanResize(); });
        });
}

void TMainForm::setMenuBarShown(bool shown)
{
    for (QMenu* menu : {mFile, mImage, mView, mHelp})
        menu->menuAction()->setVisible(shown);
    // With none of its menus left the bar would stay as an empty strip.
    MainMenu1->setVisible(shown);
}

void TMainForm::mFullScreenClick()
{
    if (!mFullScreen->isChecked()) {
        setFullScreenMarks(true);
        attachScrollBoxResize(false);
        SavedBounds = outerBounds();
        // The window manager draws the same frame around the same window again, so giving
        // the window its own geometry back restores the outer bounds exactly.
        m_savedGeometry = geometry();
        hide();
        // No border, and above the other windows. Both flags are set before the geometry:
        // a flag change re-creates the window and would move it by the old frame.
        setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        pViewToolBar->setText(kShowToolBar);
        pViewMenuBar->setText(kShowMenuBar);
        pViewToolBar->setVisible(true);
        pViewMenuBar->setVisible(true);
        // The window's own geometry: without a frame it is the outer one, and a position
        // would otherwise be taken as the old frame's.
        setGeometry(QGuiApplication::primaryScreen()->geometry());
        StatusBar1->hide();
        setMenuBarShown(false);
        ToolBar1->hide();
    } else {
        setFullScreenMarks(false);
        attachScrollBoxResize(false);
        hide();
        setWindowFlags(windowFlags() & ~(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
        StatusBar1->show();
        setMenuBarShown(true);
        ToolBar1->show();
        pViewToolBar->setVisible(false);
        pViewMenuBar->setVisible(false);
        setGeometry(m_savedGeometry);
    }

    show();
    activateWindow(); // the keys stay with the window, so Ctrl+F can switch back
    // Lay the bars out now, so the view area has its final size before it is watched again.
    layout()->activate();
    centralWidget()->layout()->activate();
    attachScrollBoxResize(true);
    Pan.stop();
    ImageTimer->setEnabled(false);
    if (photoOnShow()) {
        if (FitWinToolBtn->isChecked())
            FitImage();
        else
            CenterImage();
    }
}

void TMainForm::pViewToolBarClick()
{
    if (ToolBar1->isVisible()) {
        ToolBar1->hide();
        pViewToolBar->setText(kShowToolBar);
    } else {
        ToolBar1->show();
        pViewToolBar->setText(kHideToolBar);
    }
}

void TMainForm::pViewMenuBarClick()
{
    if (mFile->menuAction()->isVisible()) {
        pViewMenuBar->setText(kShowMenuBar);
        setMenuBarShown(false);
    } else {
        pViewMenuBar->setText(kHideMenuBar);
        setMenuBarShown(true);
    }
}
