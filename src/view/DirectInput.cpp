// Direct input: the window's keys, the mouse on the photo and the view area, the wheel, and
// the pan tick that moves a photo larger than the view area.
#include "app/TMainForm.h"

#include <QToolButton>

#include "controls/ResizeNotifyPanel.h"
#include "platform/ErrorReport.h"
#include "platform/LoopTimer.h"
#include "view/KeyMap.h"
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
    runKeyCommand(KeyMap::down(key, FolderToolBtn->isChecked()), CommandOrigin::MainWindow);
}

void TMainForm::FormKeyUp(const KeyStroke& key)
{
    runKeyCommand(KeyMap::up(key), CommandOrigin::None);
}

void TMainForm::runKeyCommand(KeyMap::Command command, CommandOrigin origin)
{
    // Each command runs only while its control is enabled, as the control itself would.
    const auto step = [&](bool enabled, void (TMainForm::*handler)(CommandOrigin)) {
        if (enabled)
            (this->*handler)(origin);
    };
    const auto run = [&](bool enabled, void (TMainForm::*handler)()) {
        if (enabled)
            (this->*handler)();
    };
    using Command = KeyMap::Command;
    switch (command) {
    case Command::None:
        return;
    case Command::NextPhoto:
        return step(NextToolBtn->isEnabled(), &TMainForm::NextToolBtnClick);
    case Command::PrevPhoto:
        return step(PrevToolBtn->isEnabled(), &TMainForm::PrevToolBtnClick);
    case Command::FirstPhoto:
        return step(mFirst->isEnabled(), &TMainForm::mFirstClick);
    case Command::LastPhoto:
        return step(mLast->isEnabled(), &TMainForm::mLastClick);
    case Command::NextAlbum:
        return step(NextFolder->isEnabled(), &TMainForm::NextFolderClick);
    case Command::PrevAlbum:
        return step(PrevFolder->isEnabled(), &TMainForm::PrevFolderClick);
    case Command::FitToggle: // flips the fit button, then runs its handler
        return run(true, &TMainForm::FitWinClick);
    case Command::PanLeft:
        return keyPan(PanEngine::Arrow::Left);
    case Command::PanUp:
        return keyPan(PanEngine::Arrow::Up);
    case Command::PanRight:
        return keyPan(PanEngine::Arrow::Right);
    case Command::PanDown:
        return keyPan(PanEngine::Arrow::Down);
    case Command::ZoomIn:
        return run(ZoomInToolBtn->isEnabled(), &TMainForm::ZoomInToolBtnClick);
    case Command::ZoomOut:
        return run(ZoomOutToolBtn->isEnabled(), &TMainForm::ZoomOutToolBtnClick);
    case Command::Help:
        return run(true, &TMainForm::Help2Click);
    case Command::AutoNextToggle: // flips the button, then runs its handler
        return run(AutoNextToolBtn->isEnabled(), &TMainForm::mAutoNextClick);
    case Command::FullScreen:
        return run(true, &TMainForm::mFullScreenClick);
    case Command::LeaveFullScreen:
        return run(mFullScreen->isChecked(), &TMainForm::mFullScreenClick);
    case Command::Print:
        return run(PrintToolBtn->isEnabled(), &TMainForm::PrintToolBtnClick);
    case Command::Copy:
        return run(ClipCopyToolBtn->isEnabled(), &TMainForm::ClipCopyToolBtnClick);
    case Command::EndPan:
        // Any arrow's release ends the pan, even while another arrow is held.
        if (Pan.KeyScrolling) {
            Pan.KeyScrolling = false;
            ImageTimer->setEnabled(false);
        }
        return;
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
