#include "slideshow/SlideCourse.h"

#include <algorithm>
#include <limits>

#include "library/FolderTree.h"

namespace SlideCourse {

Step tick(quint8 slideMode, bool atAlbumEnd, int currentNode, int nodeCount, bool slideLoop)
{
    if (!atAlbumEnd)
        return Step::NextPhoto;
    switch (slideMode) {
    case AlbumShow:
        return slideLoop ? Step::AlbumStart : Step::Stop;
    case AllAlbumsShow:
        if (currentNode != nodeCount - 1)
            return Step::NextAlbum;
        return slideLoop ? Step::LibraryStart : Step::Stop;
    default:
        return Step::Stop; // plain automatic advance ends with the album
    }
}

int albumShowStart(const FolderTree& tree, int selectedNode)
{
    if (!tree.contains(selectedNode))
        return -1;
    const FolderTree::Node& node = tree.node(selectedNode);
    return node.isAlbum ? node.dir.FirstNodeIndex : selectedNode;
}

int slideTimerInterval(qint32 tenths)
{
    if (tenths <= 0)
        return 0;
    return int(std::min<qint64>(qint64(tenths) * 100, std::numeric_limits<int>::max()));
}

} // namespace SlideCourse
