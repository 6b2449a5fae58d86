#include "library/FolderTreeView.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "library/FolderTreeModel.h"

FolderTreeView::FolderTreeView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true); // hot tracking
    setAttribute(Qt::WA_Hover);
    connect(this, &QTreeView::collapsed, this, &FolderTreeView::selectCollapsedAlbum);
}

int FolderTreeView::selectedNode() const
{
    const auto* tree = qobject_cast<const FolderTreeModel*>(model());
    if (!tree || !selectionModel())
        return -1;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : tree->nodeOfIndex(selected.constFirst());
}

void FolderTreeView::selectNode(int flatIndex)
{
    const auto* tree = qobject_cast<const FolderTreeModel*>(model());
    if (!tree)
        return;
    const QModelIndex index = tree->indexOfNode(flatIndex);
    if (index.parent().isValid())
        expand(index.parent());
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void FolderTreeView::mousePressEvent(QMouseEvent* event)
{
    m_afterDoubleClick = false;
    if (event->button() != Qt::LeftButton)
        return; // only the left button selects; the right one's menu comes on its own
    if (!indexAt(event->position().toPoint()).isValid()) {
        setFocus(Qt::MouseFocusReason); // blank space keeps the selection as it was
        return;
    }
    QTreeView::mousePressEvent(event);
}

void FolderTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // The release that ends a double-click is not another click.
    if (m_afterDoubleClick) {
        m_afterDoubleClick = false;
        return;
    }
    emit clickedAnywhere();
}

void FolderTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QTreeView::mouseDoubleClickEvent(event);
        return;
    }
    m_afterDoubleClick = true;
    if (indexAt(event->position().toPoint()).isValid())
        QTreeView::mouseDoubleClickEvent(event);
    emit doubleClickedAnywhere();
}

void FolderTreeView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // On the node with the focus mark, which is selected first if it is not (the tree
        // marks its first node when it gets the focus, and Ctrl moves the mark alone).
        const QModelIndex node = currentIndex();
        if (!node.isValid())
            return;
        if (!selectionModel()->isSelected(node)) {
            selectionModel()->select(node, QItemSelectionModel::ClearAndSelect);
            emit selectedByKey();
        }
        if (node.parent().isValid())
            emit photoChosenByKey();
        else
            setExpanded(node, !isExpanded(node));
        return;
    }
    const int before = selectedNode();
    QTreeView::keyPressEvent(event);
    if (selectedNode() != before)
        emit selectedByKey();
}

QItemSelectionModel::SelectionFlags FolderTreeView::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const
{
    // Ctrl+click and Ctrl+Space would deselect the single selected node; select it instead.
    const QItemSelectionModel::SelectionFlags command = QTreeView::selectionCommand(index, event);
    if (index.isValid() && command.testAnyFlags(QItemSelectionModel::Deselect |
                                                QItemSelectionModel::Toggle))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return command;
}

void FolderTreeView::selectCollapsedAlbum(const QModelIndex& album)
{
    // A photo hidden in a collapsed album must not stay selected: a double-click on blank
    // space would open a photo the user cannot see.
    if (!selectionModel())
        return;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (!selected.isEmpty() && selected.constFirst().parent() == album)
        selectionModel()->setCurrentIndex(album, QItemSelectionModel::ClearAndSelect);
}
