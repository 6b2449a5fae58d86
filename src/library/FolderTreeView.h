#pragma once

#include <QTreeView>

// The folder tree's view. The node under the pointer is drawn hot (its label underlined in the
// link colour); labels are never cut short: the tree scrolls sideways, and a label cut by the
// panel's edge shows whole in a tool tip. A click anywhere (also on blank space, which keeps the
// selection) and a double-click anywhere are reported after the view has handled them; the
// right button opens the pop-up menu without moving the selection. Once a node is selected the
// selection is never emptied: a click with any modifier selects the node clicked, and an album
// that collapses over its selected photo becomes the selection itself. From the keyboard, a key
// that moves the selection is reported as a click would be, and Return (or Enter) on a photo as
// a double-click; on an album it opens or closes it.
class FolderTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit FolderTreeView(QWidget* parent = nullptr);

    // Flat tree index of the selected node, -1 when none is selected.
    int selectedNode() const;
    // Selects the node and gives it the focus mark, opening its album.
    void selectNode(int flatIndex);
    // Flat tree index of the node under the pointer, -1 when none.
    int hotNode() const;
    bool isHot(const QModelIndex& index) const { return index.isValid() && index == m_hot; }

signals:
    // A left press on a row, once it has selected the row: before the click it may begin.
    void pressedOnRow();
    void clickedAnywhere();
    void doubleClickedAnywhere();
    void selectedByKey();
    void photoChosenByKey();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private slots:
    void selectCollapsedAlbum(const QModelIndex& album);

private:
    void setHot(const QModelIndex& index);

    bool m_afterDoubleClick = false;
    QPersistentModelIndex m_hot;
};
