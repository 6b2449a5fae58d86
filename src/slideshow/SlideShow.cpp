// The slide timer and the two slide shows.
#include "app/TMainForm.h"

#include <QAction>
#include <QSplitter>
#include <QToolButton>

#include "library/FolderTreeView.h"
#include "platform/LoopTimer.h"
#include "slideshow/SlideCourse.h"

void TMainForm::mSlideShowClick()
{
    // After the settings dialog rebuilt the tree the item can still be enabled with nothing
    // selected.
    const int start = SlideCourse::albumShowStart(Tree, TreeView->selectedNode());
    if (start < 0)
        return;
    startSlideShow(start, SlideCourse::AlbumShow);
}

void TMainForm::mAllSlideShowClick()
{
    if (!isPhotoNode(SlideCourse::allAlbumsStart))
        return;
    startSlideShow(SlideCourse::allAlbumsStart, SlideCourse::AllAlbumsShow);
}

void TMainForm::startSlideShow(int startNode, quint8 mode)
{
    CurrentNodeIndex = startNode;
    SlideMode = mode;

    // The folder panel goes away; automatic advance is left as it was (off, since the panel
    // was shown).
    setButtonDown(FolderToolBtn, false);
    Splitter1->hide();
    FolderPanel->hide();
    MainSplitter->refresh();
    Folder1->setChecked(false);
    N19->setVisible(false);
    mSlideShow->setVisible(false);
    mAllSlideShow->setVisible(false);

    // Pressed, but the timer waits: the first step is counted from the end of the first
    // photo's decoding.
    AutoNextToolBtn->setEnabled(true);
    setButtonDown(AutoNextToolBtn, true);
    for (QAction* item : {mAutoNext, pAutoNext}) {
        item->setChecked(true);
        item->setEnabled(true);
    }
    showSlideStart(false);
}

void TMainForm::showSlideStart(bool withAutoAdvance)
{
    mFirstClick(CommandOrigin::SlideTimer);
    // The show may begin in another album than the photo shown before, or with no photo shown
    // yet: the album and output commands describe the photo now on display.
    const TFileNameRec& rec = photoRecord(CurrentNodeIndex);
    if (withAutoAdvance)
        UpdatePositionCommands(rec, true);
    UpdateFolderCommands(rec);
    setPhotoCommand(PrintToolBtn, mPrint, nullptr, true);
    setPhotoCommand(IndexToolBtn, mIndex, nullptr, true);
}

void TMainForm::SlideTimerTimer()
{
    // One step per loaded photo: only the end of the next decoding arms the timer again.
    SlideTimer->setEnabled(false);
    const bool atAlbumEnd = !NextToolBtn->isEnabled();
    switch (SlideCourse::tick(SlideMode, atAlbumEnd, CurrentNodeIndex, Tree.count(), SlideLoop)) {
    case SlideCourse::Step::NextPhoto:
        NextToolBtnClick(CommandOrigin::SlideTimer);
        break;
    case SlideCourse::Step::AlbumStart:
        mFirstClick(CommandOrigin::SlideTimer);
        break;
    case SlideCourse::Step::NextAlbum:
        NextFolderClick(CommandOrigin::SlideTimer);
        break;
    case SlideCourse::Step::LibraryStart:
        CurrentNodeIndex = SlideCourse::allAlbumsStart;
        showSlideStart(true);
        break;
    case SlideCourse::Step::Stop:
        setButtonDown(AutoNextToolBtn, false);
        AutoNextToolBtnClick();
        break;
    }
}
