// Direct input: the window's keys, the mouse on the photo and the view area, the wheel, and
// the pan tick that moves a photo larger than the view area.
#include "app/TMainForm.h"

#include <QToolButton>

#include "controls/ResizeNotifyPanel.h"
#include "platform/ErrorReport.h"
#include "platform/LoopTimer.h"
#include "view/KeyStroke.h"
#include "view/PhotoImage.h"
#include "view/ViewInputFilter.h"

void TMainForm::connectDirectInput()
{
    // The photo's mouse events stay its own: a press on it is never also one on the view area.
    Image1->setAttribute(Qt::WA_NoMousePropagation);
    new ViewInputFilter(*this);
    connect(ImageTimer, &LoopTimer::timeout, this,
            [this] { ErrorReport::guard(this, [this] { ImageTimerTimer(); }); });
}

void TMainForm::FormKeyDown(const KeyStroke& key)
{
    const auto origin = CommandOrigin::MainWindow;
    switch (key.code) {
    case KeyStroke::Numpad4:
        if (PrevToolBtn->isEnabled())
            PrevToolBtnClick(origin);
        break;
    case KeyStroke::Numpad6:
        if (NextToolBtn->isEnabled())
            NextToolBtnClick(origin);
        break;
    case KeyStroke::Numpad3:
        if (NextFolder->isEnabled())
            NextFolderClick(origin);
        break;
    case KeyStroke::Numpad1:
        if (PrevFolder->isEnabled())
            PrevFolderClick(origin);
        break;
    case KeyStroke::Numpad7:
        if (mFirst->isEnabled())
            mFirstClick(origin);
        break;
    case KeyStroke::Numpad9:
        if (mLast->isEnabled())
            mLastClick(origin);
        break;
    case KeyStroke::Numpad0:
        FitWinClick(); // flips the fit button, then runs its handler
        break;
    case KeyStroke::Left:
        keyPan(PanEngine::Arrow::Left);
        break;
    case KeyStroke::Up:
        keyPan(PanEngine::Arrow::Up);
        break;
    case KeyStroke::Right:
        keyPan(PanEngine::Arrow::Right);
        break;
    case KeyStroke::Down:
        keyPan(PanEngine::Arrow::Down);
        break;
    default:
        break;
    }
}

void TMainForm::keyPan(PanEngine::Arrow arrow)
{
    if (photoOnShow() && !Pan.Dragging && !Pan.KeyScrolling && !FitWinToolBtn->isChecked()) {
        Pan.beginKeys();
        Pan.setRanges(Image1->size(), ScrollBox->size());
        ImageTimer->setEnabled(true);
    }
    Pan.stepKey(arrow);
}

void TMainForm::FormKeyUp(const KeyStroke& key)
{
    switch (key.code) {
    case KeyStroke::F1:
        Help2Click();
        break;
    case KeyStroke::Numpad5:
        if (AutoNextToolBtn->isEnabled())
            mAutoNextClick(); // flips the button, then runs its handler
        break;
    case KeyStroke::F:
        if (key.exactlyCtrl)
            mFullScreenClick();
        break;
    case KeyStroke::P:
        if (key.exactlyCtrl && PrintToolBtn->isEnabled())
            PrintToolBtnClick();
        break;
    case KeyStroke::C:
        if (key.exactlyCtrl && ClipCopyToolBtn->isEnabled())
            ClipCopyToolBtnClick();
        break;
    case KeyStroke::Left:
    case KeyStroke::Up:
    case KeyStroke::Right:
    case KeyStroke::Down:
        // Any arrow's release ends the pan, even while another arrow is held.
        if (Pan.KeyScrolling) {
            Pan.KeyScrolling = false;
            ImageTimer->setEnabled(false);
        }
        break;
    default:
        break;
    }
}

void TMainForm::FormMouseWheelDown()
{
    wheelNotch(NextToolBtn, NextFolder, &TMainForm::NextToolBtnClick, &TMainForm::NextFolderClick);
}

void TMainForm::FormMouseWheelUp()
{
    wheelNotch(PrevToolBtn, PrevFolder, &TMainForm::PrevToolBtnClick, &TMainForm::PrevFolderClick);
}

void TMainForm::wheelNotch(QToolButton* stepButton, QAction* albumItem,
                           void (TMainForm::*step)(CommandOrigin),
                           void (TMainForm::*album)(CommandOrigin))
{
    if (FolderPanel->isVisible())
        return; // the wheel belongs to the folder tree
    if (stepButton->isEnabled()) {
        WheelEdgeArmed = false;
        (this->*step)(CommandOrigin::None);
        return;
    }
    // At the album's end the first notch only arms; the next one crosses to the next album.
    if (!WheelEdgeArmed) {
        WheelEdgeArmed = true;
        return;
    }
    WheelEdgeArmed = false;
    if (albumItem->isEnabled())
        (this->*album)(CommandOrigin::None);
}

void TMainForm::Image1MouseDown(Qt::MouseButton button, QPoint at)
{
    if (button == Qt::MiddleButton)
        mFullScreenClick();
    if (button != Qt::LeftButton || Pan.Dragging)
        return;
    if (Pan.KeyScrolling) {
        Pan.KeyScrolling = false;
        ImageTimer->setEnabled(false);
    }
    if (FitWinToolBtn->isChecked())
        return; // a fitted photo has nothing to pan
    Pan.setRanges(Image1->size(), ScrollBox->size());
    Pan.beginDrag(at + Image1->pos());
    ImageTimer->setEnabled(true);
}

void TMainForm::Image1MouseMove(QPoint at)
{
    Pan.dragTo(at + Image1->pos());
}

void TMainForm::Image1MouseUp(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    Pan.Dragging = false;
    ImageTimer->setEnabled(false);
}

void TMainForm::ScrollBoxMouseDown(Qt::MouseButton button)
{
    if (button == Qt::MiddleButton)
        mFullScreenClick();
}

void TMainForm::ImageTimerTimer()
{
    // Stopped for the tick and started again after it, so ticks never overlap and the
    // interval counts from the end of one to the start of the next.
    ImageTimer->setEnabled(false);
    const std::optional<QPoint> tick = Pan.tick(Image1->pos());
    if (!tick)
        return;
    // Scrolling the view area moves the photo with the pixels already drawn; only the
    // uncovered strip is painted.
    const QPoint move = *tick;
    if (!move.isNull())
        ScrollBox->scroll(move.x(), move.y());
    ImageTimer->setEnabled(true);
}
