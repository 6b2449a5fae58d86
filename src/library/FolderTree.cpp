#include "library/FolderTree.h"

#include "platform/QirvaError.h"

void FolderTree::clear()
{
    m_nodes.clear();
    m_albumIndexes.clear();
}

const FolderTree::Node& FolderTree::node(int index) const
{
    if (!contains(index))
        throw QirvaError(QStringLiteral("不正なインデックス"));
    return m_nodes[size_t(index)];
}

int FolderTree::addAlbum(const QString& dirName, int fileCount, const QString& diskDirName)
{
    const int index = count();
    Node album;
    album.isAlbum = true;
    album.albumRow = albumCount();
    album.dir = {dirName, diskDirName.isEmpty() ? dirName : diskDirName, fileCount, index + 1,
                 index + fileCount};
    m_nodes.push_back(std::move(album));
    m_albumIndexes.push_back(index);
    return index;
}

void FolderTree::addPhoto(const QString& fileName, int fileNo, qint32 fileSize,
                          const QString& diskFileName)
{
    const int albumIndex = m_albumIndexes.back();
    const Node& album = m_nodes[size_t(albumIndex)];
    Node photo;
    photo.albumRow = album.albumRow;
    photo.childRow = fileNo - 1;
    photo.file = {fileName,
                  album.dir.DirName,
                  fileNo,
                  album.dir.FileCount,
                  count(),
                  albumIndex,
                  fileSize,
                  diskFileName.isEmpty() ? fileName : diskFileName,
                  album.dir.DiskDirName};
    m_nodes.push_back(std::move(photo));
}

int FolderTree::photoCount(int albumRow) const
{
    const int first = albumIndex(albumRow) + 1;
    const int end = albumRow + 1 < albumCount() ? albumIndex(albumRow + 1) : count();
    return end - first;
}

void FolderTree::cutLastAlbum()
{
    if (m_albumIndexes.empty())
        return;
    const int albumIndex = m_albumIndexes.back();
    const int added = count() - albumIndex - 1;
    if (added == 0) {
        m_nodes.pop_back();
        m_albumIndexes.pop_back();
        return;
    }
    TDirNameRec& dir = m_nodes[size_t(albumIndex)].dir;
    dir.FileCount = added;
    dir.LastNodeIndex = albumIndex + added;
    for (int i = albumIndex + 1; i < count(); ++i)
        m_nodes[size_t(i)].file.FileCount = added;
}
