#pragma once

#include <QAbstractItemModel>
#include <QIcon>

class FolderTree;

// Shows a FolderTree in the tree view: albums as top-level rows, their photos as children,
// with the album and photo glyphs. The model reads the tree directly; it copies nothing.
class FolderTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    explicit FolderTreeModel(const FolderTree& tree, QObject* parent = nullptr);

    // Wrap every change of the tree in these two calls.
    void beginRebuild();
    void endRebuild();

    QModelIndex indexOfNode(int flatIndex) const;
    // Flat tree index of a model index, -1 for an invalid one.
    int nodeOfIndex(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const FolderTree& m_tree;
    QIcon m_albumIcon;
    QIcon m_photoIcon;
};
