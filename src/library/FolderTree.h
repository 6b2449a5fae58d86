#pragma once

#include <QString>

#include <vector>

#include "library/NodeRecords.h"

// The folder tree as the program's index of the library: every node in depth-first order
// (album, its photos, next album, ...), so a node's position is its flat tree index and a
// look-up by index never walks the tree.
class FolderTree
{
public:
    struct Node
    {
        bool isAlbum = false;
        int albumRow = 0;    // position of the node's album among the albums
        int childRow = -1;   // position among the album's photos; -1 for an album node
        TDirNameRec dir;     // album nodes
        TFileNameRec file;   // photo nodes
        const QString& text() const { return isAlbum ? dir.DirName : file.FileName; }
    };

    void clear();
    int count() const { return int(m_nodes.size()); }
    bool isEmpty() const { return m_nodes.empty(); }
    bool contains(int index) const { return index >= 0 && index < count(); }

    // Throws QirvaError("不正なインデックス") when the index lies outside the tree.
    const Node& node(int index) const;

    int albumCount() const { return int(m_albumIndexes.size()); }
    // Flat index of the album node at the given album position.
    int albumIndex(int albumRow) const { return m_albumIndexes[size_t(albumRow)]; }
    // Photo nodes present under the album.
    int photoCount(int albumRow) const;

    // Builders used by the scan; nodes must be added in depth-first order.
    // addAlbum returns the album's flat index. A name on disk left empty is the shown one.
    int addAlbum(const QString& dirName, int fileCount, const QString& diskDirName = {});
    void addPhoto(const QString& fileName, int fileNo, qint32 fileSize,
                  const QString& diskFileName = {});
    // For a scan that stopped inside the last album: its count and last index, and the
    // counts of its photos, become those of the photos added; without any it goes.
    void cutLastAlbum();
    void reserve(size_t nodes) { m_nodes.reserve(nodes); }

private:
    std::vector<Node> m_nodes;
    std::vector<int> m_albumIndexes;
};
