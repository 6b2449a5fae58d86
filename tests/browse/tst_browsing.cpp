#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "library/PreviewGeometry.h"
#include "picture/DecodeScale.h"
#include "platform/LoopTimer.h"
#include "support/TestSupport.h"
#include "view/FitGeometry.h"
#include "view/PhotoImage.h"

namespace {

// A window on a library of albums a0, a1, ... holding photos p1.jpg ... of the given counts.
struct Viewer
{
    QTemporaryDir dir;
    QString library;
    std::unique_ptr<TMainForm> form;

    explicit Viewer(const QList<int>& albums, QSize photo = QSize(640, 480))
    {
        library = dir.filePath(QStringLiteral("lib"));
        QDir().mkpath(library);
        for (int i = 0; i < albums.size(); ++i)
            makeAlbum(library, QStringLiteral("a%1").arg(i), albums[i], photo.width(),
                      photo.height());
    }

    TMainForm& open()
    {
        form = showMainWindow(dir.path(), "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
        return *form;
    }

    QString photo(int album, int number) const
    {
        return library + QStringLiteral("/a%1/p%2.jpg").arg(album).arg(number);
    }

    void showPanel()
    {
        if (!form->FolderToolBtn->isChecked())
            QTest::mouseClick(form->FolderToolBtn, Qt::LeftButton);
    }

    QPoint nodeCenter(int flat)
    {
        const QModelIndex index = form->TreeModel->indexOfNode(flat);
        if (index.parent().isValid())
            form->TreeView->expand(index.parent());
        form->TreeView->scrollTo(index);
        return form->TreeView->visualRect(index).center();
    }

    void clickNode(int flat)
    {
        showPanel();
        QTest::mouseClick(form->TreeView->viewport(), Qt::LeftButton, {}, nodeCenter(flat));
    }

    // A double-click as the mouse gives it: a click, then the second press as a double-click.
    void doubleClickNode(int flat)
    {
        clickNode(flat);
        QTest::mouseDClick(form->TreeView->viewport(), Qt::LeftButton, {}, nodeCenter(flat));
    }

    QString panel(int i) const { return form->StatusBar1->panelText(i); }
};

// "on", "off", or "mixed" when the controls of one group disagree.
QString group(std::initializer_list<bool> states)
{
    bool all = true, none = true;
    for (bool s : states) {
        all = all && s;
        none = none && !s;
    }
    return all ? QStringLiteral("on") : none ? QStringLiteral("off") : QStringLiteral("mixed");
}

QString commands(const TMainForm& f)
{
    return QStringLiteral("next:%1 prev:%2 first:%3 last:%4 auto:%5 nextAlbum:%6 prevAlbum:%7")
        .arg(group({f.NextToolBtn->isEnabled(), f.mNext->isEnabled(), f.pNext->isEnabled()}),
             group({f.PrevToolBtn->isEnabled(), f.mPrev->isEnabled(), f.pPrev->isEnabled()}),
             group({f.mFirst->isEnabled(), f.pFirst->isEnabled()}),
             group({f.mLast->isEnabled(), f.pLast->isEnabled()}),
             group({f.AutoNextToolBtn->isEnabled(), f.mAutoNext->isEnabled(),
                    f.pAutoNext->isEnabled()}),
             group({f.NextFolder->isEnabled(), f.pNextFol->isEnabled()}),
             group({f.PrevFolder->isEnabled(), f.pPrevFol->isEnabled()}));
}

// Runs an assistive technology's action on a control, as a screen reader does.
bool accessibleAction(QObject* control, const QString& action)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    QAccessibleActionInterface* actions = accessible ? accessible->actionInterface() : nullptr;
    if (!actions || !actions->actionNames().contains(action))
        return false;
    actions->doAction(action);
    return true;
}

bool accessibleToggle(QObject* control)
{
    return accessibleAction(control, QAccessibleActionInterface::toggleAction());
}

} // namespace

class TestBrowsing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void folderPanelToggleShowsAndHidesTheTree()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        QVERIFY(f.FolderPanel->isVisible());
        QVERIFY(f.Splitter1->isVisible());
        QVERIFY(f.Folder1->isChecked());
        QVERIFY(f.mSlideShow->isVisible() && f.mAllSlideShow->isVisible() && f.N19->isVisible());
        QVERIFY(!f.AutoNextToolBtn->isEnabled());

        f.Folder1->trigger();
        QVERIFY(!f.FolderToolBtn->isChecked());
        QVERIFY(!f.FolderPanel->isVisible());
        QVERIFY(!f.Folder1->isChecked());
        QVERIFY(!f.mSlideShow->isVisible() && !f.N19->isVisible());
        f.Folder1->trigger();
        QVERIFY(f.FolderToolBtn->isChecked());
        QVERIFY(f.FolderPanel->isVisible());
    }

    void accessibleToggleRunsTheCheckButtonsHandlers()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        TMainForm& f = v.open();
        QVERIFY(accessibleToggle(f.FolderToolBtn));
        QVERIFY(f.FolderToolBtn->isChecked());
        QVERIFY(f.FolderPanel->isVisible());
        QVERIFY(f.Folder1->isChecked() && f.mSlideShow->isVisible());
        QVERIFY(accessibleToggle(f.FolderToolBtn));
        QVERIFY(!f.FolderPanel->isVisible() && !f.Folder1->isChecked());

        v.doubleClickNode(1);
        QVERIFY(accessibleToggle(f.FitWinToolBtn));
        QVERIFY(f.FitWin->isChecked());
        QCOMPARE(v.panel(4), QStringLiteral("表示最適化"));
        QCOMPARE(f.Image1->size(), FitGeometry::fit(f.ScrollBox->size(), QSize(640, 480)).size);
        QVERIFY(accessibleToggle(f.FitWinToolBtn));
        QCOMPARE(f.Image1->size(), QSize(640, 480));
        QCOMPARE(v.panel(4), QStringLiteral("100%"));

        QVERIFY(accessibleToggle(f.AutoNextToolBtn));
        QVERIFY(f.mAutoNext->isChecked() && f.pAutoNext->isChecked());
        QVERIFY(f.SlideTimer->isEnabled());
        QVERIFY(accessibleToggle(f.AutoNextToolBtn));
        QVERIFY(!f.mAutoNext->isChecked() && !f.SlideTimer->isEnabled());

        // Press on a push button and on a menu item runs its handler as before.
        QVERIFY(accessibleAction(f.NextToolBtn, QAccessibleActionInterface::pressAction()));
        QTRY_COMPARE(f.CurrentNodeIndex, 2);
        QAccessibleInterface* file = QAccessible::queryAccessibleInterface(f.mFile);
        QVERIFY(file && file->child(0) && file->child(0)->actionInterface());
        file->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(f.FolderToolBtn->isChecked() && f.FolderPanel->isVisible());
        QVERIFY(desktop.messages.empty());
    }

    void theProgramsOwnChangesRunNoHandlerAgain()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        TMainForm& f = v.open();
        QSignalSpy folder(f.FolderToolBtn, &QToolButton::toggled);
        QSignalSpy fit(f.FitWinToolBtn, &QToolButton::toggled);
        QSignalSpy autoNext(f.AutoNextToolBtn, &QToolButton::toggled);
        // Each of these sets a button itself and then runs its handler once, by name.
        f.Folder1->trigger();
        v.doubleClickNode(1); // raises the folder button
        f.FitWin->trigger();
        f.FitWin->trigger();
        f.mAutoNext->trigger();
        f.pAutoNext->trigger();
        f.mAutoNext->trigger();
        f.mNext->trigger(); // stops automatic advance
        QVERIFY(!f.AutoNextToolBtn->isChecked() && !f.SlideTimer->isEnabled());
        f.Folder1->trigger(); // showing the panel raises the automatic-advance button
        QCOMPARE(folder.count(), 0);
        QCOMPARE(fit.count(), 0);
        QCOMPARE(autoNext.count(), 0);
        QVERIFY(desktop.messages.empty());
    }

    void treeClickWritesPanelZeroAndThePreview()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 1});
        // The first album has smaller preview copies; the second has none.
        for (int i = 1; i <= 3; ++i)
            writeTestJpeg(v.library + QStringLiteral("/a0/Preview/p%1.jpg").arg(i), 160, 120);
        TMainForm& f = v.open();

        v.clickNode(0);
        QCOMPARE(v.panel(0), QStringLiteral("3個"));
        QVERIFY(f.PrevPanel->isHidden());
        QVERIFY(f.mSlideShow->isEnabled() && f.pSlideShow->isEnabled());

        v.clickNode(2);
        QCOMPARE(v.panel(0), QStringLiteral("(2/3)"));
        QVERIFY(f.PrevPanel->isVisible());
        QCOMPARE(f.Image2->pictureWidth(), 160); // the copy in Preview/
        const PreviewPlacement placement = fitPreview(f.ImagePanel->size(), QSize(160, 120));
        QCOMPARE(f.PrevPanel->geometry(), placement.frame);
        QCOMPARE(f.Image2->geometry(), placement.picture);
        QTRY_VERIFY(f.Image2->picture()->isDecoded());

        v.clickNode(5);
        QCOMPARE(v.panel(0), QStringLiteral("(1/1)"));
        QCOMPARE(f.Image2->pictureWidth(), 640); // no Preview/: the photo itself
        QVERIFY(!f.mSlideShow->isEnabled() && !f.pSlideShow->isEnabled());

        v.clickNode(4);
        QCOMPARE(v.panel(0), QStringLiteral("1個"));
        QVERIFY(f.PrevPanel->isHidden());

        // Blank space keeps the selection, and the click runs for it again.
        QTest::mouseClick(f.TreeView->viewport(), Qt::LeftButton, {},
                          QPoint(5, f.TreeView->viewport()->height() - 3));
        QCOMPARE(f.TreeView->selectedNode(), 4);
        QCOMPARE(v.panel(0), QStringLiteral("1個"));

        // Moving the splitter refits the preview.
        v.clickNode(1);
        f.PanelSplitter->setSizes({100, 200});
        QTRY_COMPARE(f.PrevPanel->geometry(),
                     fitPreview(f.ImagePanel->size(), QSize(160, 120)).frame);
    }

    void noClickEmptiesTheSelection()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.clickNode(2);
        QWidget* viewport = f.TreeView->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, v.nodeCenter(2));
        QCOMPARE(f.TreeView->selectedNode(), 2);
        QCOMPARE(v.panel(0), QStringLiteral("(2/3)"));
        QVERIFY(f.PrevPanel->isVisible() && f.mSlideShow->isEnabled());
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier,
                          v.nodeCenter(5));
        QCOMPARE(f.TreeView->selectedNode(), 5);
        QTest::keyClick(f.TreeView, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(f.TreeView->selectedNode(), 5);

        // Collapsing the album with its button moves the selection onto the album ...
        const QRect album = f.TreeView->visualRect(f.TreeModel->indexOfNode(4));
        QTest::mouseClick(viewport, Qt::LeftButton, {},
                          QPoint(album.left() - f.TreeView->indentation() / 2, album.center().y()));
        QVERIFY(!f.TreeView->isExpanded(f.TreeModel->indexOfNode(4)));
        QCOMPARE(f.TreeView->selectedNode(), 4);
        QCOMPARE(v.panel(0), QStringLiteral("2個"));
        QVERIFY(f.PrevPanel->isHidden());
        // ... so a double-click on blank space opens no photo the user cannot see.
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 3));
        QVERIFY(!f.Image1->hasPicture());

        // Collapsing an album that does not hold the selection leaves it alone.
        v.clickNode(2);
        f.TreeView->expand(f.TreeModel->indexOfNode(4));
        f.TreeView->collapse(f.TreeModel->indexOfNode(4));
        QCOMPARE(f.TreeView->selectedNode(), 2);
        QVERIFY(desktop.messages.empty());
    }

    void previewsAreFoundUnderAnyLetterCase()
    {
        ScriptedDesktop desktop;
        Viewer v({2, 2, 1, 1});
        writeTestJpeg(v.library + QStringLiteral("/a0/preview/p1.jpg"), 160, 120);
        // Several names match: the exact one first, else the first in the sort order.
        writeTestJpeg(v.library + QStringLiteral("/a1/PREVIEW/p1.JPG"), 100, 75);
        writeTestJpeg(v.library + QStringLiteral("/a1/PREVIEW/P1.JPG"), 200, 150);
        writeTestJpeg(v.library + QStringLiteral("/a1/PREVIEW/p2.jpg"), 120, 90);
        writeTestJpeg(v.library + QStringLiteral("/a1/PREVIEW/P2.JPG"), 80, 60);
        // An exact folder wins over another spelling; a file of the name is no folder.
        writeTestJpeg(v.library + QStringLiteral("/a2/Preview/p1.jpg"), 96, 72);
        writeTestJpeg(v.library + QStringLiteral("/a2/preview/p1.jpg"), 48, 36);
        writeTextFile(v.library + QStringLiteral("/a3/Preview"), "not a folder");
        writeTestJpeg(v.library + QStringLiteral("/a3/PREVIEW/P1.jpg"), 64, 48);
        TMainForm& f = v.open();

        const auto previewWidth = [&](int node) {
            v.clickNode(node);
            return f.Image2->pictureWidth();
        };
        QCOMPARE(previewWidth(1), 160);
        QCOMPARE(previewWidth(2), 640); // no copy under any spelling: the photo itself
        QCOMPARE(previewWidth(4), 200);
        QCOMPARE(previewWidth(5), 120);
        QCOMPARE(previewWidth(7), 96);
        QCOMPARE(previewWidth(9), 64);

        // A copy that is a dangling link is no copy: the photo itself serves.
        QFile::remove(v.library + QStringLiteral("/a0/preview/p1.jpg"));
        QVERIFY(QFile::link(v.library + QStringLiteral("/gone.jpg"),
                            v.library + QStringLiteral("/a0/preview/p1.jpg")));
        QCOMPARE(previewWidth(1), 640);
        QVERIFY(desktop.messages.empty());
    }

    void openingAPhotoDecodesItOnceAndLetsThePreviewGo()
    {
        ScriptedDesktop desktop;
        Viewer v({2}, QSize(1600, 1200));
        TMainForm& f = v.open();
        v.clickNode(1);
        QTRY_VERIFY(f.Image2->picture()->isDecoded());
        // The placement is the one of the natural size; only the pixels are fewer.
        QCOMPARE(f.Image2->pictureWidth(), 1600);
        const PreviewPlacement placement = fitPreview(f.ImagePanel->size(), QSize(1600, 1200));
        QCOMPARE(f.PrevPanel->geometry(), placement.frame);
        QCOMPARE(f.Image2->geometry(), placement.picture);
        const QSize decoded = f.Image2->picture()->image().size();
        QCOMPARE(decoded,
                 DecodeScale::scaled(QSize(1600, 1200), DecodeScale::eighthsToCover(
                                                            QSize(1600, 1200), f.Image2->size())));
        QVERIFY(decoded.width() < 1600);

        // A taller preview area gets a larger decode of the same picture.
        f.PanelSplitter->setSizes({80, 600});
        QTRY_VERIFY(f.Image2->picture()->isDecoded() &&
                    f.Image2->picture()->image().width() >= f.Image2->width() &&
                    f.Image2->picture()->image().height() >= f.Image2->height());

        // The double-click closes the panel and its preview with it: the one full-size
        // decode is the photo's.
        QTest::mouseDClick(f.TreeView->viewport(), Qt::LeftButton, {}, v.nodeCenter(1));
        QVERIFY(!f.Image2->hasPicture());
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        QCOMPARE(f.Image1->picture()->image().size(), QSize(1600, 1200));

        // Opening the panel again brings the same preview back.
        f.FolderToolBtn->click();
        QVERIFY(f.Image2->hasPicture());
        QVERIFY(f.PrevPanel->isVisible());
        QCOMPARE(f.PrevPanel->geometry(),
                 fitPreview(f.ImagePanel->size(), QSize(1600, 1200)).frame);
        QVERIFY(desktop.messages.empty());
    }

    void clickInAnEmptyTreeShowsNoImage()
    {
        ScriptedDesktop desktop;
        Viewer v({});
        TMainForm& f = v.open();
        v.showPanel();
        QTest::mouseClick(f.TreeView->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(v.panel(0), QStringLiteral("イメージなし"));
        QVERIFY(!f.mSlideShow->isEnabled());
    }

    void doubleClickOpensThePhoto()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2}, QSize(1600, 1200));
        TMainForm& f = v.open();
        v.doubleClickNode(1);

        QVERIFY(!f.FolderToolBtn->isChecked());
        QVERIFY(!f.FolderPanel->isVisible());
        // The view area had its new width before the photo was placed in it: the whole width
        // but its 2-pixel sunken border, which the box of fit and centring lies inside.
        QCOMPARE(f.ScrollBoxFrame->frameShadow(), QFrame::Sunken);
        QCOMPARE(f.ScrollBox->geometry(),
                 QRect(2, 2, f.centralWidget()->width() - 4, f.ScrollBoxFrame->height() - 4));
        QCOMPARE(f.ScrollBoxFrame->width(), f.centralWidget()->width());
        QVERIFY(f.Image1->isVisible());
        QCOMPARE(f.CurrentNodeIndex, 1);
        QCOMPARE(v.panel(0), QStringLiteral("(1/3)"));
        QCOMPARE(v.panel(1), QStringLiteral("p1.jpg"));
        QCOMPARE(v.panel(3), QStringLiteral("1600x1200"));
        QVERIFY(v.panel(2).endsWith(QStringLiteral("KB")));
        QCOMPARE(v.panel(4), QStringLiteral("100%"));
        QCOMPARE(commands(f), QStringLiteral("next:on prev:off first:off last:on auto:on "
                                             "nextAlbum:on prevAlbum:off"));
        QVERIFY(f.ClipCopyToolBtn->isEnabled() && f.mClipCopy->isEnabled());
        QVERIFY(f.PrintToolBtn->isEnabled() && f.mPrint->isEnabled());
        QVERIFY(f.IndexToolBtn->isEnabled() && f.mIndex->isEnabled());
        QVERIFY(f.ZoomOutToolBtn->isEnabled() && f.mZoomOut->isEnabled());
        QVERIFY(!f.ZoomInToolBtn->isEnabled() && !f.UnZoomToolBtn->isEnabled());

        // At 100% a photo larger than the view is centred across and top-aligned.
        const QSize box = f.ScrollBox->size();
        QCOMPARE(f.Image1->size(), QSize(1600, 1200));
        QCOMPARE(f.Image1->pos(), QPoint(box.width() / 2 - 800, 0));
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        QVERIFY(desktop.messages.empty());
    }

    void treeDrawsTheHotNodeAndShowsLongNamesWhole()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        const QString name = QString(60, QChar(0x9577)); // far wider than the panel
        makeAlbum(v.library, name, 1);
        TMainForm& f = v.open();
        v.showPanel();
        QWidget* viewport = f.TreeView->viewport();
        const int shortAlbum = f.Tree.node(0).text() == name ? 2 : 0;
        const int longAlbum = 2 - shortAlbum;
        const QRect shortRow = f.TreeView->visualRect(f.TreeModel->indexOfNode(shortAlbum));
        const QColor link = f.TreeView->palette().color(QPalette::Link);
        const auto linkDrawn = [&] {
            const QImage drawn = viewport->grab().toImage();
            for (int y = shortRow.top(); y <= shortRow.bottom(); ++y)
                for (int x = shortRow.left(); x < std::min(shortRow.right(), drawn.width()); ++x)
                    if (drawn.pixelColor(x, y) == link)
                        return true;
            return false;
        };
        QVERIFY(!linkDrawn());
        const QPoint over = shortRow.topLeft() + QPoint(30, shortRow.height() / 2);
        QMouseEvent move(QEvent::MouseMove, over, viewport->mapToGlobal(over), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QCOMPARE(f.TreeView->hotNode(), shortAlbum);
        QVERIFY(linkDrawn());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(viewport, &leave);
        QCOMPARE(f.TreeView->hotNode(), -1);
        QVERIFY(!linkDrawn());

        // Not cut with an ellipsis: the tree scrolls, and a tool tip shows the whole label.
        QVERIFY(f.TreeView->horizontalScrollBar()->maximum() > 0);
        const auto tipAt = [&](int node) {
            const QRect row = f.TreeView->visualRect(f.TreeModel->indexOfNode(node));
            const QPoint at = row.topLeft() + QPoint(30, row.height() / 2);
            QHelpEvent tip(QEvent::ToolTip, at, viewport->mapToGlobal(at));
            QApplication::sendEvent(viewport, &tip);
        };
        tipAt(longAlbum);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), name);
        tipAt(shortAlbum);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void doubleClickOnAnAlbumOnlyExpandsIt()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.showPanel();
        const QModelIndex album = f.TreeModel->indexOfNode(4);
        const QPoint at = f.TreeView->visualRect(album).center();
        QTest::mouseClick(f.TreeView->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(f.TreeView->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(f.TreeView->isExpanded(album));
        QVERIFY(f.FolderToolBtn->isChecked());
        QVERIFY(!f.Image1->hasPicture());

        // A double-click on blank space opens the selected photo.
        v.clickNode(5);
        QTest::mouseDClick(f.TreeView->viewport(), Qt::LeftButton, {},
                           QPoint(5, f.TreeView->viewport()->height() - 3));
        QCOMPARE(f.CurrentNodeIndex, 5);
        QVERIFY(f.Image1->hasPicture());

        // So does Return on a selected photo, for the keyboard.
        v.clickNode(6);
        QTest::keyClick(f.TreeView, Qt::Key_Return);
        QCOMPARE(f.CurrentNodeIndex, 6);
        QVERIFY(!f.FolderToolBtn->isChecked());
    }

    void albumCommandsFollowThePlaceInTheTree()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.doubleClickNode(6);
        QCOMPARE(f.CurrentNodeIndex, 6);
        QCOMPARE(commands(f), QStringLiteral("next:off prev:on first:on last:off auto:on "
                                             "nextAlbum:off prevAlbum:on"));
        v.doubleClickNode(2);
        QCOMPARE(commands(f), QStringLiteral("next:on prev:on first:on last:on auto:on "
                                             "nextAlbum:on prevAlbum:off"));
    }

    void steppingWithinAnAlbum()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.doubleClickNode(6);
        QTest::mouseClick(f.PrevToolBtn, Qt::LeftButton);
        QCOMPARE(f.CurrentNodeIndex, 5);
        QCOMPARE(v.panel(1), QStringLiteral("p1.jpg"));
        QCOMPARE(commands(f), QStringLiteral("next:on prev:off first:off last:on auto:on "
                                             "nextAlbum:off prevAlbum:on"));
        f.mNext->trigger();
        QCOMPARE(f.CurrentNodeIndex, 6);
        f.mFirst->trigger();
        QCOMPARE(f.CurrentNodeIndex, 5);

        v.doubleClickNode(1);
        f.pLast->trigger();
        QCOMPARE(f.CurrentNodeIndex, 3);
        QCOMPARE(commands(f), QStringLiteral("next:off prev:on first:on last:off auto:on "
                                             "nextAlbum:on prevAlbum:off"));
        f.pPrev->trigger();
        QCOMPARE(f.CurrentNodeIndex, 2);
        QCOMPARE(commands(f), QStringLiteral("next:on prev:on first:on last:on auto:on "
                                             "nextAlbum:on prevAlbum:off"));
        // Panel 0 keeps the text of the last tree click.
        QCOMPARE(v.panel(0), QStringLiteral("(1/3)"));
        QVERIFY(desktop.messages.empty());
    }

    void steppingAcrossAlbums()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 1, 4});
        TMainForm& f = v.open();
        v.doubleClickNode(2); // first album, photo 2
        f.NextFolder->trigger();
        QCOMPARE(f.CurrentNodeIndex, 5);
        QCOMPARE(commands(f), QStringLiteral("next:off prev:off first:off last:off auto:off "
                                             "nextAlbum:on prevAlbum:on"));
        f.pNextFol->trigger();
        QCOMPARE(f.CurrentNodeIndex, 7);
        QCOMPARE(commands(f), QStringLiteral("next:on prev:off first:off last:on auto:on "
                                             "nextAlbum:off prevAlbum:on"));

        // By menu or key the previous album opens at its first photo ...
        f.NextToolBtnClick(CommandOrigin::Control);
        f.NextToolBtnClick(CommandOrigin::Control); // third album, photo 3
        f.PrevFolder->trigger();
        QCOMPARE(f.CurrentNodeIndex, 5);
        f.PrevFolderClick(CommandOrigin::MainWindow);
        QCOMPARE(f.CurrentNodeIndex, 1);

        // ... and by the wheel (no origin) at its last photo.
        f.NextFolderClick(CommandOrigin::Control);
        f.NextFolderClick(CommandOrigin::Control); // third album, photo 1
        f.PrevFolderClick(CommandOrigin::None);
        QCOMPARE(f.CurrentNodeIndex, 5);
        f.PrevFolderClick(CommandOrigin::None);
        QCOMPARE(f.CurrentNodeIndex, 3);
        QVERIFY(desktop.messages.empty());
    }

    void oneAlbumLibraryHasNoAlbumCommands()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        TMainForm& f = v.open();
        v.doubleClickNode(1);
        QCOMPARE(commands(f), QStringLiteral("next:off prev:off first:off last:off auto:off "
                                             "nextAlbum:off prevAlbum:off"));
    }

    void steppingWithThePanelShownFollowsInTheTree()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.doubleClickNode(1);
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton); // show again
        QCOMPARE(f.TreeView->selectedNode(), 1);
        f.NextToolBtnClick(CommandOrigin::Control);
        QCOMPARE(f.TreeView->selectedNode(), 2);
        QVERIFY(f.PrevPanel->isVisible());
        f.NextFolderClick(CommandOrigin::Control);
        QCOMPARE(f.TreeView->selectedNode(), 5);
        QVERIFY(f.TreeView->isExpanded(f.TreeModel->indexOfNode(4)));
        QCOMPARE(v.panel(0), QStringLiteral("(1/3)"));

        // Hidden panel: the selection stays where it was.
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        f.NextToolBtnClick(CommandOrigin::Control);
        QCOMPARE(f.CurrentNodeIndex, 6);
        QCOMPARE(f.TreeView->selectedNode(), 5);

        // Showing the panel brings the selection to the photo on show.
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        QCOMPARE(f.TreeView->selectedNode(), 6);
    }

    // The press decodes the preview, so that its click shows it at once and a double-click's
    // second press finds the window free. A photo that cannot load is reported by the click,
    // once, and one rewritten meanwhile is loaded anew.
    void thePressDecodesThePreviewItsClickShows()
    {
        ScriptedDesktop desktop;
        Viewer v({3}, QSize(1600, 1200));
        writeTextFile(v.photo(0, 2), "no JPEG");
        TMainForm& f = v.open();
        v.showPanel();
        QWidget* viewport = f.TreeView->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, v.nodeCenter(1));
        QVERIFY(!f.Image2->hasPicture());
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, v.nodeCenter(1));
        QVERIFY(f.Image2->picture()->isDecoded()); // before any paint
        QCOMPARE(f.Image2->picture()->image().size(),
                 DecodeScale::scaled(QSize(1600, 1200), DecodeScale::eighthsToCover(
                                                            QSize(1600, 1200), f.Image2->size())));

        QTest::mouseClick(viewport, Qt::LeftButton, {}, v.nodeCenter(2));
        QTRY_COMPARE(desktop.messages.size(), size_t(1));
        QVERIFY(desktop.messages[0].text.startsWith(QStringLiteral("JPEG エラー")));

        // Rewritten between the press and the release: the click loads the file anew.
        QTest::mousePress(viewport, Qt::LeftButton, {}, v.nodeCenter(3));
        writeTestJpeg(v.photo(0, 3), 800, 600, 7);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, v.nodeCenter(3));
        QCOMPARE(f.Image2->pictureWidth(), 800);
        QCOMPARE(desktop.messages.size(), size_t(1));
    }

    void damagedPhotoIsSteppedOver()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.doubleClickNode(1);
        QFile::remove(v.photo(0, 2));
        f.NextToolBtn->click();
        QCOMPARE(desktop.messages.size(), size_t(1));
        QCOMPARE(desktop.messages[0].text,
                 QStringLiteral("ファイル %1 は開けません.").arg(v.photo(0, 2)));
        QCOMPARE(f.CurrentNodeIndex, 2);                // names the photo that failed
        QCOMPARE(v.panel(1), QStringLiteral("p1.jpg")); // the rest still describes the last
        QCOMPARE(commands(f), QStringLiteral("next:on prev:off first:off last:on auto:on "
                                             "nextAlbum:on prevAlbum:off"));
        f.NextToolBtn->click();
        QCOMPARE(f.CurrentNodeIndex, 3);
        QCOMPARE(v.panel(1), QStringLiteral("p3.jpg"));
    }

    void panelOpensWholeWhenThePreviewCannotLoad()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        TMainForm& f = v.open();
        v.doubleClickNode(1);
        f.NextToolBtn->click(); // the selection stays on photo 1
        f.mAutoNext->trigger();
        QFile::remove(v.photo(0, 2));
        f.FolderToolBtn->click(); // following the tree finds no preview of photo 2
        QCOMPARE(desktop.messages.size(), size_t(1));
        QVERIFY(f.FolderPanel->isVisible());
        QVERIFY(f.Folder1->isChecked());
        QVERIFY(!f.AutoNextToolBtn->isChecked() && !f.AutoNextToolBtn->isEnabled());
    }

    void previewGoneWhileThePanelWasClosedIsLeftEmptySilently()
    {
        ScriptedDesktop desktop;
        Viewer v({2});
        TMainForm& f = v.open();
        v.clickNode(1);
        QVERIFY(f.Image2->hasPicture());
        f.FolderToolBtn->click();
        QFile::remove(v.photo(0, 1)); // its own preview
        f.FolderToolBtn->click();
        QVERIFY(desktop.messages.empty());
        QVERIFY(f.FolderPanel->isVisible());
        QVERIFY(!f.Image2->hasPicture() && f.PrevPanel->isHidden());
    }

    void failedOpenKeepsThePhotoOnShowVisible()
    {
        ScriptedDesktop desktop;
        Viewer v({2}, QSize(1600, 1200));
        writeTestJpeg(v.library + QStringLiteral("/a0/Preview/p2.jpg"), 160, 120);
        TMainForm& f = v.open();
        v.doubleClickNode(1);
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        v.clickNode(2); // the preview copy: no message yet
        QFile::remove(v.photo(0, 2));
        QTest::mouseDClick(f.TreeView->viewport(), Qt::LeftButton, {}, v.nodeCenter(2));
        QCOMPARE(desktop.messages.size(), size_t(1));
        QVERIFY(!f.FolderPanel->isVisible());
        // The photo still loaded is seen, centred in the wider view at its present size.
        QVERIFY(f.Image1->isVisible());
        QCOMPARE(f.Image1->size(), QSize(1600, 1200));
        QCOMPARE(f.Image1->x(), f.ScrollBox->width() / 2 - 800);
        QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("p1.jpg"));
    }

    void lookupOutsideTheTreeReportsAnInvalidIndex()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.doubleClickNode(5);
        QFile::remove(v.photo(1, 2));
        f.NextToolBtn->click(); // fails on the tree's last photo; next stays enabled
        QCOMPARE(f.CurrentNodeIndex, 6);
        QVERIFY(f.NextToolBtn->isEnabled());
        f.NextToolBtn->click();
        QCOMPARE(desktop.messages.size(), size_t(2));
        QCOMPARE(desktop.messages[1].text, QStringLiteral("不正なインデックス."));
        QCOMPARE(f.CurrentNodeIndex, 6);
    }

    void firstPhotoDeletedLeavesTheViewEmpty()
    {
        ScriptedDesktop desktop;
        Viewer v({2});
        TMainForm& f = v.open();
        QFile::remove(v.photo(0, 1));
        v.doubleClickNode(1);
        // The click finds no preview and the double-click no photo: both say so.
        QCOMPARE(desktop.messages.size(), size_t(2));
        QCOMPARE(desktop.messages[1].text,
                 QStringLiteral("ファイル %1 は開けません.").arg(v.photo(0, 1)));
        QVERIFY(!f.Image1->hasPicture());
        QVERIFY(!f.Image1->isVisible());
        QCOMPARE(v.panel(1), QString());
        QCOMPARE(v.panel(3), QString());
        QCOMPARE(commands(f), QStringLiteral("next:off prev:off first:off last:off auto:off "
                                             "nextAlbum:off prevAlbum:off"));
        QVERIFY(!f.ClipCopyToolBtn->isEnabled());
        QVERIFY(!f.FolderToolBtn->isChecked());
    }

    void fitModeFitsEveryPhoto()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        TMainForm& f = v.open();
        QTest::mouseClick(f.FitWinToolBtn, Qt::LeftButton); // no photo yet
        QVERIFY(f.FitWin->isChecked());
        QCOMPARE(v.panel(4), QStringLiteral("表示最適化"));
        v.doubleClickNode(1);
        QCOMPARE(v.panel(4), QStringLiteral("表示最適化"));
        const auto expect = [&] {
            const QSize box = f.ScrollBox->size();
            const FitGeometry::Fit fit = FitGeometry::fit(box, QSize(640, 480));
            QCOMPARE(f.Image1->size(), fit.size);
            if (fit.widthLimited)
                QCOMPARE(f.Image1->pos(), QPoint(0, box.height() / 2 - fit.size.height() / 2));
            else
                QCOMPARE(f.Image1->pos(), QPoint(box.width() / 2 - fit.size.width() / 2, 0));
        };
        expect();
        QVERIFY(!f.ZoomOutToolBtn->isEnabled() && !f.ZoomInToolBtn->isEnabled());
        f.NextToolBtnClick(CommandOrigin::Control);
        QCOMPARE(v.panel(4), QStringLiteral("表示最適化"));
        expect();

        f.resize(900, 700); // the fit follows the window
        QTRY_COMPARE(f.ScrollBox->width(), f.centralWidget()->width() - 4);
        expect();

        f.FitWin->trigger(); // off again: 100%, centred
        QVERIFY(!f.FitWinToolBtn->isChecked());
        QCOMPARE(v.panel(4), QStringLiteral("100%"));
        QCOMPARE(f.ZoomStep, 8);
        QCOMPARE(f.Image1->size(), QSize(640, 480));
        QVERIFY(f.ZoomOutToolBtn->isEnabled() && !f.ZoomInToolBtn->isEnabled());
    }

    void fitOffWithoutAPhotoOnlyClearsTheText()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        TMainForm& f = v.open();
        f.FitWin->trigger();
        f.FitWin->trigger();
        QCOMPARE(v.panel(4), QString());
        QVERIFY(!f.ZoomOutToolBtn->isEnabled());
    }

    void zoomStepsAndTheirFlags()
    {
        ScriptedDesktop desktop;
        Viewer v({1}, QSize(400, 300));
        TMainForm& f = v.open();
        v.doubleClickNode(1);
        const QPoint corner = f.Image1->pos();
        QStringList texts;
        for (int i = 0; i < 7; ++i) {
            QTest::mouseClick(f.ZoomOutToolBtn, Qt::LeftButton);
            texts << v.panel(4);
        }
        QCOMPARE(texts, QStringList({"70%", "50%", "30%", "20%", "15%", "10%", "7%"}));
        QCOMPARE(f.Image1->pos(), corner); // zoom keeps the top-left corner
        QCOMPARE(f.Image1->size(), QSize(28, 21));
        QVERIFY(f.ZoomInToolBtn->isEnabled() && f.mZoomIn->isEnabled());
        QVERIFY(f.UnZoomToolBtn->isEnabled() && f.mUnZoom->isEnabled());
        f.mZoomOut->trigger();
        QCOMPARE(v.panel(4), QStringLiteral("5%"));
        QVERIFY(!f.ZoomOutToolBtn->isEnabled() && !f.mZoomOut->isEnabled());
        f.ZoomOutToolBtnClick(); // at step 0 nothing happens
        QCOMPARE(f.ZoomStep, 0);

        f.mZoomIn->trigger();
        QVERIFY(f.ZoomOutToolBtn->isEnabled() && f.mZoomOut->isEnabled());

        // Actual size leaves the menu's zoom-in enabled: the only way above 100%.
        QTest::mouseClick(f.UnZoomToolBtn, Qt::LeftButton);
        QCOMPARE(v.panel(4), QStringLiteral("100%"));
        QCOMPARE(f.Image1->size(), QSize(400, 300));
        QVERIFY(!f.ZoomInToolBtn->isEnabled() && f.mZoomIn->isEnabled());
        QVERIFY(!f.UnZoomToolBtn->isEnabled() && f.mUnZoom->isEnabled());
        f.mZoomIn->trigger();
        QCOMPARE(v.panel(4), QStringLiteral("150%"));
        QVERIFY(f.UnZoomToolBtn->isEnabled() && f.mUnZoom->isEnabled());
        for (int i = 0; i < 5; ++i)
            f.mZoomIn->trigger();
        QCOMPARE(v.panel(4), QStringLiteral("1000%"));
        QCOMPARE(f.Image1->size(), QSize(4000, 3000));
        QVERIFY(!f.mZoomIn->isEnabled());
        f.mZoomOut->trigger();
        QCOMPARE(v.panel(4), QStringLiteral("700%"));
        QVERIFY(f.mZoomIn->isEnabled() && f.ZoomInToolBtn->isEnabled());

        // A new photo starts at 100% again.
        v.doubleClickNode(1);
        QCOMPARE(v.panel(4), QStringLiteral("100%"));
        QCOMPARE(f.ZoomStep, 8);
    }

    void zoomNeverLeavesThePhotoOutOfReach()
    {
        ScriptedDesktop desktop;
        Viewer v({1}, QSize(4000, 3000));
        TMainForm& f = v.open();
        v.doubleClickNode(1); // centred at 100%: its corner lies far to the left
        QVERIFY(f.Image1->x() < -1000);
        const QRect box = f.ScrollBox->rect();
        for (int i = 0; i < 8; ++i)
            f.mZoomOut->trigger();
        QCOMPARE(v.panel(4), QStringLiteral("5%"));
        QCOMPARE(f.Image1->geometry(), QRect(0, 0, 200, 150));
        f.Image1->move(box.width() - 50, 10); // wherever it was left
        f.mZoomIn->trigger();
        QVERIFY(box.contains(f.Image1->geometry()));
        QCOMPARE(f.Image1->x(), box.width() - f.Image1->width());
        QCOMPARE(f.Image1->y(), 10); // no more moved than needed
        f.mUnZoom->trigger();
        QVERIFY(f.Image1->geometry().contains(box));
    }

    void automaticAdvanceSwitch()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        TMainForm& f = v.open();
        v.doubleClickNode(1);
        QTest::mouseClick(f.AutoNextToolBtn, Qt::LeftButton);
        QVERIFY(f.AutoNextToolBtn->isChecked());
        QVERIFY(f.mAutoNext->isChecked() && f.pAutoNext->isChecked());
        QVERIFY(f.SlideTimer->isEnabled());

        f.NextToolBtnClick(CommandOrigin::SlideTimer); // the timer's own step passes
        QVERIFY(f.AutoNextToolBtn->isChecked());
        QCOMPARE(f.CurrentNodeIndex, 2);

        f.FitWin->trigger(); // fit does not stop it
        QVERIFY(f.AutoNextToolBtn->isChecked());

        f.mNext->trigger(); // a user's step does
        QVERIFY(!f.AutoNextToolBtn->isChecked());
        QVERIFY(!f.mAutoNext->isChecked() && !f.pAutoNext->isChecked());
        QVERIFY(!f.SlideTimer->isEnabled());
        QCOMPARE(f.CurrentNodeIndex, 3);

        f.pAutoNext->trigger();
        QVERIFY(f.AutoNextToolBtn->isChecked());
        f.SlideMode = 2;
        f.mAutoNext->trigger();
        QVERIFY(!f.AutoNextToolBtn->isChecked());
        QCOMPARE(f.SlideMode, 0);

        // Showing the folder panel switches it off and makes it unavailable.
        f.mAutoNext->trigger();
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        QVERIFY(!f.AutoNextToolBtn->isChecked() && !f.AutoNextToolBtn->isEnabled());
        QVERIFY(!f.mAutoNext->isEnabled() && !f.mAutoNext->isChecked());
        QVERIFY(!f.SlideTimer->isEnabled());
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        QVERIFY(f.AutoNextToolBtn->isEnabled() && !f.AutoNextToolBtn->isChecked());
    }

    void panelTogglesSurviveARebuildFromAnotherLibrary()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.doubleClickNode(6);
        const QString other = v.dir.filePath(QStringLiteral("other"));
        makeAlbum(other, QStringLiteral("x"), 1);
        f.LoadSetPath = other;
        f.MakeFolderTree(); // index 6 is now outside the tree
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        QVERIFY(f.FolderPanel->isVisible());
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        QVERIFY(!f.FolderPanel->isVisible());
        QVERIFY(desktop.messages.empty());
        v.doubleClickNode(1);
        QCOMPARE(f.CurrentNodeIndex, 1);
        QVERIFY(desktop.messages.empty());
    }

    void damagedDataIsReportedOnce()
    {
        ScriptedDesktop desktop;
        Viewer v({2});
        const QString path = v.photo(0, 1);
        QVERIFY(JpegWriter::write(JpegWriter::photoLike(320, 240, 3), path,
                                  JpegWriter::Kind::Progressive));
        damageSecondScan(path);

        TMainForm& f = v.open();
        v.doubleClickNode(2);
        const size_t before = desktop.messages.size();
        v.form->FolderToolBtn->click();
        v.form->FolderToolBtn->click();
        f.PrevToolBtn->click();
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        QTRY_COMPARE(desktop.messages.size(), before + 1);
        QVERIFY(desktop.messages.back().text.startsWith(QStringLiteral("JPEG エラー #")));
        // Further paints show what was decoded and ask nothing more.
        f.Image1->repaint();
        f.resize(700, 500);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(desktop.messages.size(), before + 1);
        QCOMPARE(f.CurrentNodeIndex, 1);
    }
};

QTEST_MAIN(TestBrowsing)
#include "tst_browsing.moc"
