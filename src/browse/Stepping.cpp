// Stepping through an album and across albums.
#include "app/TMainForm.h"

#include "controls/PanelStatusBar.h"
#include "view/PhotoImage.h"

namespace {

// The album node of the photo at the index, or nullptr when that node is itself an album.
const FolderTree::Node* albumOf(const FolderTree& tree, int photoIndex)
{
    const FolderTree::Node& photo = tree.node(photoIndex);
    if (photo.isAlbum)
        return nullptr;
    const FolderTree::Node& album = tree.node(photo.file.DirNodeIndex);
    return album.isAlbum ? &album : nullptr;
}

} // namespace


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
    if (const FolderTree::Node* album = albumOf(Tree, CurrentNodeIndex))
        showStepTarget(album->dir.FirstNodeIndex, false);
}

void TMainForm::mLastClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    if (const FolderTree::Node* album = albumOf(Tree, CurrentNodeIndex))
        showStepTarget(album->dir.LastNodeIndex, false);
}

void TMainForm::NextFolderClick(CommandOrigin origin)
{
    StopAutoNext(origin);
    const FolderTree::Node* album = albumOf(Tree, CurrentNodeIndex);
    if (!album)
        return;
    const FolderTree::Node& nextAlbum = Tree.node(album->dir.LastNodeIndex + 1);
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
    // The node before the current album is the previous album's last photo.
    const FolderTree::Node* previousAlbum = albumOf(Tree, current.file.DirNodeIndex - 1);
    if (!previousAlbum)
        return;
    // The wheel (no origin) walks backwards photo by photo: it lands on the last photo.
    showStepTarget(origin == CommandOrigin::None ? previousAlbum->dir.LastNodeIndex
                                                 : previousAlbum->dir.FirstNodeIndex,
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
    // An album jump sets the automatic-advance controls too, also while the folder panel is
    // shown (which otherwise keeps them off): the jump's steps say so; keep it.
    UpdatePositionCommands(rec, acrossAlbums);
    if (acrossAlbums)
        UpdateFolderCommands(rec);
    FollowInTree();
}
