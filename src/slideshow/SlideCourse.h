#pragma once

#include <QtGlobal>

class FolderTree;

// The course of automatic advance and of the two slide shows: where a show starts and what
// each tick of the slide timer does. The main window carries the steps out.
namespace SlideCourse {

// SlideMode values.
constexpr quint8 AutomaticAdvance = 0;
constexpr quint8 AlbumShow = 1;
constexpr quint8 AllAlbumsShow = 2;

enum class Step {
    NextPhoto,      // the next photo of the album
    AlbumStart,     // back to the first photo of the album on display
    NextAlbum,      // the first photo of the next album
    LibraryStart,   // back to the first photo of the first album
    Stop,           // the end of the course: the photo on display stays
};

// What a tick does. atAlbumEnd: the photo on display is the last of its album (the next-photo
// command is disabled). currentNode and nodeCount: the photo's flat tree index and the tree's
// size.
Step tick(quint8 slideMode, bool atAlbumEnd, int currentNode, int nodeCount, bool slideLoop);

// The node an album show starts from: the selected photo, or the first photo of the selected
// album; -1 when no node of the tree is selected.
int albumShowStart(const FolderTree& tree, int selectedNode);

// The all-album show starts at the first photo of the first album.
constexpr int allAlbumsStart = 1;

// The slide timer's interval in milliseconds for a setting in tenths of a second. Worked out
// in 64 bits and held to the longest interval a timer takes, so that a huge value read from
// the settings file cannot wrap round into a short one; 0 (never fires) for 0 or less.
int slideTimerInterval(qint32 tenths);

} // namespace SlideCourse
