// Stepping through an album and across albums.
#include "app/TMainForm.h"

#include "controls/PanelStatusBar.h"
#include "view/PhotoImage.h"


void TMainForm::NextToolBtnClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    showStepTarget(CurrentNodeIndex + 1, false);
}

void TMainForm::PrevToolBtnClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    showStepTarget(CurrentNodeIndex - 1, false);
}

void TMainForm::mFirstClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    const FolderTree::Node& current = Tree.node(CurrentNodeIndex);
    if (current.isAlbum)
        return;
    const FolderTree::Node& album = Tree.node(current.file.DirNodeIndex);
    showStepTarget(album.dir.FirstNodeIndex, false);
}

void TMainForm::mLastClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    const FolderTree::Node& current = Tree.node(CurrentNodeIndex);
    if (current.isAlbum)
        return;
    const FolderTree::Node& album = Tree.node(current.file.DirNodeIndex);
    showStepTarget(album.dir.LastNodeIndex, false);
}

void TMainForm::NextFolderClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    const FolderTree::Node& current = Tree.node(CurrentNodeIndex);
    if (current.isAlbum)
        return;
    const FolderTree::Node& album = Tree.node(current.file.DirNodeIndex);
    if (!album.isAlbum)
        return;
    const FolderTree::Node& nextAlbum = Tree.node(album.dir.LastNodeIndex + 1);
    if (!nextAlbum.isAlbum)
        return;
    showStepTarget(nextAlbum.dir.FirstNodeIndex, true);
}

void TMainForm::PrevFolderClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    const FolderTree::Node& current = Tree.node(CurrentNodeIndex);
    if (current.isAlbum)
        return;
    const FolderTree::Node& previousLast = Tree.node(current.file.DirNodeIndex - 1);
    if (previousLast.isAlbum)
        return;
    const FolderTree::Node& previousAlbum = Tree.node(previousLast.file.DirNodeIndex);
    if (!previousAlbum.isAlbum)
        return;
    // The wheel (no origin) walks backwards photo by photo: it lands on the last photo.
    showStepTarget(origin == CommandOrigin::None ? previousAlbum.dir.LastNodeIndex
                                                 : previousAlbum.dir.FirstNodeIndex,
                   true);
}

void TMainForm::showStepTarget(int target, bool acrossAlbums)
{
    const FolderTree::Node& node = Tree.node(target);
    if (node.isAlbum)
        return;
    const TFileNameRec rec = node.file;
    CurrentNodeIndex = rec.NodeIndex;
    ResetZoom();
    LoadPhoto(rec);
    ShowPhotoInfo(rec);
    setPhotoCommand(ClipCopyToolBtn, mClipCopy, nullptr, true);
    UpdatePositionCommands(rec, acrossAlbums);
    if (acrossAlbums)
        UpdateFolderCommands(rec);
    FollowInTree();
}
