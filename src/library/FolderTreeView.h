#pragma once

#include <QTreeView>

// The folder tree's view. A click anywhere (also on blank space, which keeps the selection)
// and a double-click anywhere are reported after the view has handled them; the right button
// opens the pop-up menu without moving the selection. Once a node is selected the selection is
// never emptied: a click with any modifier selects the node clicked, and an album that
// collapses over its selected photo becomes the selection itself. From the keyboard, a key that
// moves the selection is reported as a click would be, and Return (or Enter) on a photo as a
// double-click; on an album it opens or closes it.
class FolderTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit FolderTreeView(QWidget* parent = nullptr);

    // Flat tree index of the selected node, -1 when none is selected.
    int selectedNode() const;
    // Selects the node and gives it the focus mark, opening its album.
    void selectNode(int flatIndex);

signals:
    void clickedAnywhere();
    void doubleClickedAnywhere();
    void selectedByKey();
    void photoChosenByKey();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private slots:
    void selectCollapsedAlbum(const QModelIndex& album);

private:
    bool m_afterDoubleClick = false;
};
