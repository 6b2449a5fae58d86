#include "library/FolderTreeView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "library/FolderTreeModel.h"

namespace {

// Draws the hot node's label underlined in the link colour (unless it is selected, where the
// highlight's colours stay).
class HotTrackDelegate : public QStyledItemDelegate
{
public:
    explicit HotTrackDelegate(FolderTreeView& view) : QStyledItemDelegate(&view), m_view(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        if (!m_view.isHot(index)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem hot = option;
        hot.font.setUnderline(true);
        hot.palette.setColor(QPalette::Text, option.palette.color(QPalette::Link));
        QStyledItemDelegate::paint(painter, hot, index);
    }

private:
    FolderTreeView& m_view;
};

} // namespace

FolderTreeView::FolderTreeView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true); // hot tracking
    setItemDelegate(new HotTrackDelegate(*this));
    // The one column is as wide as the widest label: a long name scrolls, it is not cut.
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(this, &QTreeView::collapsed, this, &FolderTreeView::selectCollapsedAlbum);
}

int FolderTreeView::hotNode() const
{
    const auto* tree = qobject_cast<const FolderTreeModel*>(model());
    return tree && m_hot.isValid() ? tree->nodeOfIndex(m_hot) : -1;
}

void FolderTreeView::setHot(const QModelIndex& index)
{
    if (index == m_hot)
        return;
    if (m_hot.isValid())
        viewport()->update(visualRect(m_hot));
    m_hot = index;
    if (m_hot.isValid())
        viewport()->update(visualRect(m_hot));
}

void FolderTreeView::mouseMoveEvent(QMouseEvent* event)
{
    setHot(indexAt(event->position().toPoint()));
    QTreeView::mouseMoveEvent(event);
}

bool FolderTreeView::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Leave:
        setHot({});
        break;
    case QEvent::ToolTip: {
        // A label that the panel's edge cuts shows whole beside the pointer.
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QRect item = visualRect(index);
        const int labelRight = item.left() + sizeHintForIndex(index).width();
        if (index.isValid() && (item.left() < 0 || labelRight > viewport()->width()))
            QToolTip::showText(help->globalPos(), index.data().toString(), viewport(), item);
        else
            QToolTip::hideText();
        return true;
    }
    default:
        break;
    }
    return QTreeView::viewportEvent(event);
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
    emit pressedOnRow();
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
