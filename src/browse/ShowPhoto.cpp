// Opening a photo from the tree and the steps every photo change shares.
#include "app/TMainForm.h"

#include <QToolButton>

#include "browse/SizeText.h"
#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "library/FolderTreeView.h"
#include "view/PhotoImage.h"
#include "view/ZoomTable.h"

bool TMainForm::photoOnShow() const
{
    return Image1->hasPicture();
}

bool TMainForm::isPhotoNode(int index) const
{
    return Tree.contains(index) && !Tree.node(index).isAlbum;
}

const TFileNameRec& TMainForm::photoRecord(int index) const
{
    return Tree.node(index).file;
}

void TMainForm::setPhotoCommand(QToolButton* button, QAction* menuItem, QAction* popupItem,
                                bool on)
{
    if (button)
        button->setEnabled(on);
    if (menuItem)
        menuItem->setEnabled(on);
    if (popupItem)
        popupItem->setEnabled(on);
}

QString TMainForm::PhotoPath(const TFileNameRec& rec) const
{
    QString path = LoadSetPath;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + rec.DiskDirName + QLatin1Char('/') + rec.DiskFileName;
}

void TMainForm::TreeViewDblClick()
{
    const int selected = TreeView->selectedNode();
    if (selected < 0 || Tree.node(selected).isAlbum)
        return;
    const TFileNameRec rec = photoRecord(selected);
    Image1->hide();
    setButtonDown(FolderToolBtn, false);
    FolderToolBtnClick();
    LoadPhoto(rec);
    CurrentNodeIndex = rec.NodeIndex;
    ShowPhotoInfo(rec);
    setPhotoCommand(ClipCopyToolBtn, mClipCopy, nullptr, true);
    setPhotoCommand(PrintToolBtn, mPrint, nullptr, true);
    setPhotoCommand(IndexToolBtn, mIndex, nullptr, true);
    WheelEdgeArmed = false;
    ResetZoom();
    SlideMode = 0;
    UpdatePositionCommands(rec, true);
    UpdateFolderCommands(rec);
}

void TMainForm::LoadPhoto(const TFileNameRec& rec)
{
    // The previous picture stays until the new file has loaded.
    const QString path = PhotoPath(rec);
    std::unique_ptr<JpegPicture> picture = m_aheadPlan.takeFor(path);
    if (!picture)
        picture = JpegPicture::load(path);
    // The photo left is kept for going back to it.
    m_aheadPlan.shown(path, Image1->replacePicture(std::move(picture)));
    if (FitWinToolBtn->isChecked()) {
        FitImage();
    } else {
        SetZoomScale(ZoomTable::scale(ZoomTable::ActualSizeStep));
        CenterImage();
    }
    Image1->show();
}

void TMainForm::ShowPhotoInfo(const TFileNameRec& rec)
{
    StatusBar1->setPanelText(
        3, QString::number(Image1->pictureWidth()) + QLatin1Char('x') +
               QString::number(Image1->pictureHeight()));
    StatusBar1->setPanelText(1, rec.FileName);
    ScrollBox->setAccessibleDescription(rec.FileName);
    StatusBar1->setPanelText(2, sizeText(rec.FileSize, FileSizeView));
}

void TMainForm::UpdatePositionCommands(const TFileNameRec& rec, bool withAutoAdvance)
{
    const int n = rec.FileNo;
    const int total = rec.FileCount;
    bool next = true, previous = true, first = true, last = true, autoAdvance = true;
    if (total < 2) {
        next = previous = first = last = autoAdvance = false;
    } else if (n == 1) {
        previous = first = false;
    } else if (n == total) {
        next = last = false;
    }
    setPhotoCommand(NextToolBtn, mNext, pNext, next);
    setPhotoCommand(PrevToolBtn, mPrev, pPrev, previous);
    setPhotoCommand(nullptr, mFirst, pFirst, first);
    setPhotoCommand(nullptr, mLast, pLast, last);
    if (withAutoAdvance)
        setPhotoCommand(AutoNextToolBtn, mAutoNext, pAutoNext, autoAdvance);
}

void TMainForm::UpdateFolderCommands(const TFileNameRec& rec)
{
    setPhotoCommand(nullptr, PrevFolder, pPrevFol, rec.DirNodeIndex > 0);
    const TDirNameRec& album = Tree.node(rec.DirNodeIndex).dir;
    setPhotoCommand(nullptr, NextFolder, pNextFol, album.LastNodeIndex + 1 < Tree.count());
}
