#include "library/FolderTreeModel.h"

#include "controls/Glyphs.h"
#include "library/FolderTree.h"

// Internal ids: 0 for album rows, album row + 1 for photo rows (so a photo's parent is known).
FolderTreeModel::FolderTreeModel(const FolderTree& tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree),
      m_albumIcon(Glyphs::treeIcon(Glyphs::TreeAlbumGlyph)),
      m_photoIcon(Glyphs::treeIcon(Glyphs::TreePhotoGlyph))
{
}

void FolderTreeModel::beginRebuild()
{
    beginResetModel();
}

void FolderTreeModel::endRebuild()
{
    endResetModel();
}

QModelIndex FolderTreeModel::indexOfNode(int flatIndex) const
{
    if (!m_tree.contains(flatIndex))
        return {};
    const FolderTree::Node& node = m_tree.node(flatIndex);
    if (node.isAlbum)
        return createIndex(node.albumRow, 0, quintptr(0));
    return createIndex(node.childRow, 0, quintptr(node.albumRow + 1));
}

int FolderTreeModel::nodeOfIndex(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return -1;
    if (index.internalId() == 0)
        return m_tree.albumIndex(index.row());
    return m_tree.albumIndex(int(index.internalId() - 1)) + 1 + index.row();
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < m_tree.albumCount() ? createIndex(row, 0, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0)
        return {};
    if (row >= m_tree.photoCount(parent.row()))
        return {};
    return createIndex(row, 0, quintptr(parent.row() + 1));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_tree.albumCount();
    if (parent.column() != 0 || parent.internalId() != 0)
        return 0;
    return m_tree.photoCount(parent.row());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    const int node = nodeOfIndex(index);
    if (node < 0)
        return {};
    const bool album = index.internalId() == 0;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return m_tree.node(node).text();
    case Qt::DecorationRole:
        return album ? m_albumIcon : m_photoIcon;
    default:
        return {};
    }
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.internalId() != 0)
        f |= Qt::ItemNeverHasChildren;
    return f;
}
