#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "platform/LoopTimer.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

namespace {

// A window in normal mode on albums a0, a1, ... of the given photo counts, with the first
// photo of an album opened from the tree.
struct Viewer
{
    QTemporaryDir dir;
    QString library;
    std::unique_ptr<TMainForm> form;
    quint64 clock = 1000; // key time stamps: X11 gives a repeat's release and press the same

    explicit Viewer(const QList<int>& albums, QSize photo = QSize(1600, 1200))
    {
        library = dir.filePath(QStringLiteral("lib"));
        for (int i = 0; i < albums.size(); ++i)
            makeAlbum(library, QStringLiteral("a%1").arg(i), albums[i], photo.width(),
                      photo.height());
        form = showMainWindow(dir.path(), "[Form]\nTop=40\nLeft=30\n[Setting]\nLoadSetPath=" +
                                              library.toUtf8() + "\n");
    }

    // Opens the photo at the flat tree index as a double-click would.
    void open(int flat)
    {
        QTest::mouseClick(form->FolderToolBtn, Qt::LeftButton);
        form->TreeView->selectNode(flat);
        form->TreeViewDblClick();
    }

    QString shown() const { return form->StatusBar1->panelText(1); }

    // Keys arrive as from the platform: at the native window, before any control.
    void key(QEvent::Type type, int key, Qt::KeyboardModifiers mods = {}, quint64 at = 0)
    {
        QKeyEvent event(type, key, mods);
        event.setTimestamp(at ? at : ++clock);
        QCoreApplication::sendEvent(form->windowHandle(), &event);
    }
    void press(int k, Qt::KeyboardModifiers mods = {}) { key(QEvent::KeyPress, k, mods); }
    void release(int k, Qt::KeyboardModifiers mods = {}) { key(QEvent::KeyRelease, k, mods); }
    void tap(int k, Qt::KeyboardModifiers mods = {})
    {
        press(k, mods);
        release(k, mods);
        QTest::qWait(40); // past the wait for an auto-repeat press
    }
    // One auto-repeat as X11 sends it: a release and a press with one time stamp.
    void repeat(int k)
    {
        ++clock;
        key(QEvent::KeyRelease, k, {}, clock);
        key(QEvent::KeyPress, k, {}, clock);
    }
    void keypad(int digit) { tap(Qt::Key_0 + digit, Qt::KeypadModifier); }

    void wheel(int delta)
    {
        const QPointF at(form->width() / 2, form->height() / 2);
        QWheelEvent event(at, form->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(form->windowHandle(), &event);
    }
};

} // namespace

class TestDirectInput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void keypadStepsWithinAndAcrossAlbums()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2}); // album 0, photos 1-3, album 4, photos 5 and 6
        v.open(1);
        v.keypad(6);
        QCOMPARE(v.form->CurrentNodeIndex, 2);
        v.tap(Qt::Key_6); // the top-row digit is no keypad key
        QCOMPARE(v.form->CurrentNodeIndex, 2);
        v.keypad(9);
        QCOMPARE(v.form->CurrentNodeIndex, 3);
        v.keypad(6); // disabled at the last photo
        QCOMPARE(v.form->CurrentNodeIndex, 3);
        v.keypad(7);
        QCOMPARE(v.form->CurrentNodeIndex, 1);
        v.keypad(4); // disabled at the first photo
        QCOMPARE(v.form->CurrentNodeIndex, 1);
        v.keypad(3);
        QCOMPARE(v.form->CurrentNodeIndex, 5);
        v.keypad(6);
        v.keypad(1); // a key has an origin: the previous album's first photo
        QCOMPARE(v.form->CurrentNodeIndex, 1);
    }

    void keysStillReachTheFocusedTree()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        QTest::mouseClick(v.form->FolderToolBtn, Qt::LeftButton);
        v.form->TreeView->setFocus();
        v.form->TreeView->selectNode(0);
        v.form->TreeView->expandAll();
        v.press(Qt::Key_Down);
        QCOMPARE(v.form->TreeView->selectedNode(), 1);
    }

    void keypadFiveTogglesOnRealReleasesOnly()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        v.open(1);
        QVERIFY(v.form->AutoNextToolBtn->isEnabled());
        v.press(Qt::Key_5, Qt::KeypadModifier);
        for (int i = 0; i < 5; ++i)
            v.repeat(Qt::Key_5);
        QTest::qWait(60);
        QVERIFY(!v.form->AutoNextToolBtn->isChecked());
        v.release(Qt::Key_5, Qt::KeypadModifier);
        QTRY_VERIFY(v.form->AutoNextToolBtn->isChecked());
        QVERIFY(v.form->mAutoNext->isChecked());
        v.keypad(5);
        QTRY_VERIFY(!v.form->AutoNextToolBtn->isChecked());
        QTest::mouseClick(v.form->FolderToolBtn, Qt::LeftButton); // disables the switch
        v.keypad(5);
        QVERIFY(!v.form->AutoNextToolBtn->isChecked());
    }

    void keypadZeroFlipsFitAndArrowsPanOnlyOutsideIt()
    {
        ScriptedDesktop desktop;
        Viewer v({2});
        v.open(1);
        v.keypad(0);
        QVERIFY(v.form->FitWinToolBtn->isChecked());
        QVERIFY(v.form->FitWin->isChecked());
        const QPoint fitted = v.form->Image1->pos();
        v.press(Qt::Key_Right);
        QVERIFY(!v.form->Pan.KeyScrolling);
        QVERIFY(!v.form->ImageTimer->isEnabled());
        v.release(Qt::Key_Right);
        QCOMPARE(v.form->Image1->pos(), fitted);
        v.keypad(0);
        QVERIFY(!v.form->FitWinToolBtn->isChecked());
        v.press(Qt::Key_Right);
        QVERIFY(v.form->Pan.KeyScrolling);
        QVERIFY(v.form->ImageTimer->isEnabled());
    }

    void heldArrowSpeedsUpAndAnyRealReleaseEndsThePan()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        v.open(1);
        TMainForm& f = *v.form;
        const int rangeX = f.Image1->width() - f.ScrollBox->width();
        v.press(Qt::Key_Right);
        for (int i = 0; i < 9; ++i)
            v.repeat(Qt::Key_Right);
        QCOMPARE(f.Pan.ScrollCurX, -80);
        const int before = f.Image1->x();
        f.ImageTimerTimer();
        QCOMPARE(f.Image1->x(), before - 80);
        QTRY_COMPARE(f.Image1->x(), -rangeX); // the timer goes on to the right edge
        QVERIFY(f.Pan.KeyScrolling);

        // Left and Up together pan diagonally; releasing either stops both.
        v.release(Qt::Key_Right);
        QTRY_VERIFY(!f.Pan.KeyScrolling);
        v.press(Qt::Key_Left);
        v.press(Qt::Key_Up);
        QCOMPARE(QPoint(f.Pan.ScrollCurX, f.Pan.ScrollCurY), QPoint(8, 8));
        v.release(Qt::Key_Up);
        QTRY_VERIFY(!f.Pan.KeyScrolling);
        QVERIFY(!f.ImageTimer->isEnabled());
    }

    void leftDragFollowsThePointerAndEndsOnRelease()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        v.open(1);
        TMainForm& f = *v.form;
        const QPoint start = f.Image1->pos();
        v.press(Qt::Key_Left); // a left press ends key panning first
        QTest::mousePress(f.Image1, Qt::LeftButton, {}, QPoint(900, 300));
        QVERIFY(!f.Pan.KeyScrolling);
        QVERIFY(f.Pan.Dragging);
        QTest::mouseMove(f.Image1, QPoint(860, 330));
        f.ImageTimerTimer();
        QCOMPARE(f.Image1->pos(), start + QPoint(-40, 0)); // at the top edge: no move down
        QTest::mouseRelease(f.Image1, Qt::LeftButton, {}, QPoint(860, 330));
        QVERIFY(!f.Pan.Dragging);
        QVERIFY(!f.ImageTimer->isEnabled());
    }

    void aQuickSecondPressIsAPressAllTheSame()
    {
        // Qt hands a widget the second press of a double-click as a double-click event.
        ScriptedDesktop desktop;
        Viewer v({1});
        v.open(1);
        TMainForm& f = *v.form;
        const QPoint start = f.Image1->pos();
        QTest::mouseClick(f.Image1, Qt::LeftButton, {}, QPoint(900, 300));
        QTest::mouseDClick(f.Image1, Qt::LeftButton, {}, QPoint(900, 300));
        QVERIFY(f.Pan.Dragging);
        QTest::mouseMove(f.Image1, QPoint(820, 300));
        f.ImageTimerTimer();
        QCOMPARE(f.Image1->pos(), start + QPoint(-80, 0));
        QTest::mouseRelease(f.Image1, Qt::LeftButton, {}, QPoint(820, 300));

        // Two quick middle clicks switch full screen on and off, on the photo and beside it.
        for (QWidget* target : {static_cast<QWidget*>(f.Image1), static_cast<QWidget*>(f.ScrollBox)}) {
            if (target == f.ScrollBox)
                f.Image1->hide();
            QTest::mouseClick(target, Qt::MiddleButton, {}, QPoint(5, 5));
            QVERIFY(f.mFullScreen->isChecked());
            QTest::mouseDClick(target, Qt::MiddleButton, {}, QPoint(5, 5));
            QTest::mouseRelease(target, Qt::MiddleButton, {}, QPoint(5, 5));
            QVERIFY(!f.mFullScreen->isChecked());
        }
    }

    void pressOnAPhotoThatFitsMovesNothing()
    {
        ScriptedDesktop desktop;
        Viewer v({1}, QSize(200, 100));
        v.open(1);
        TMainForm& f = *v.form;
        const QPoint start = f.Image1->pos();
        QTest::mousePress(f.Image1, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(f.Pan.Dragging);
        f.ImageTimerTimer();
        QVERIFY(!f.Pan.Dragging);
        QVERIFY(!f.ImageTimer->isEnabled());
        QCOMPARE(f.Image1->pos(), start);
    }

    void aTickRepaintsOnlyTheUncoveredStrip()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        v.open(1);
        TMainForm& f = *v.form;
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        QTest::qWait(50);
        struct Recorder : QObject
        {
            QRegion painted;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::Paint)
                    painted += static_cast<QPaintEvent*>(e)->region();
                return false;
            }
        } recorder;
        f.Image1->installEventFilter(&recorder);
        v.press(Qt::Key_Left);
        f.ImageTimerTimer();
        QTRY_VERIFY(!recorder.painted.isEmpty());
        QTest::qWait(20);
        // Only an 8-pixel strip at the photo's left edge of the view was drawn anew.
        const QRect bounds = recorder.painted.boundingRect();
        QCOMPARE(bounds.width(), 8);
        QCOMPARE(bounds.left(), -f.Image1->x());
    }

    void wheelStepsThenArmsThenCrossesAtAlbumEnds()
    {
        ScriptedDesktop desktop;
        Viewer v({2, 1, 3}); // album 0: 1-2; album 3: 4; album 5: 6-8
        v.open(1);
        v.wheel(-120);
        QCOMPARE(v.form->CurrentNodeIndex, 2);
        v.wheel(-120); // the first notch at the end only arms
        QCOMPARE(v.form->CurrentNodeIndex, 2);
        QVERIFY(v.form->WheelEdgeArmed);
        v.wheel(-120);
        QCOMPARE(v.form->CurrentNodeIndex, 4); // the next album's first photo
        // A one-photo album: one notch in either direction arms, the next crosses its own way.
        v.wheel(-120);
        QCOMPARE(v.form->CurrentNodeIndex, 4);
        v.wheel(120);
        QCOMPARE(v.form->CurrentNodeIndex, 2); // no origin: the previous album's last photo
        // A smooth device's small deltas add up to a notch.
        v.wheel(60);
        QCOMPARE(v.form->CurrentNodeIndex, 2);
        v.wheel(60);
        QCOMPARE(v.form->CurrentNodeIndex, 1);
        QVERIFY(!v.form->WheelEdgeArmed);
    }

    void wheelLeavesThePhotoAloneWhileTheFolderPanelIsShown()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        v.open(1);
        QTest::mouseClick(v.form->FolderToolBtn, Qt::LeftButton);
        v.wheel(-120);
        v.wheel(-120);
        QCOMPARE(v.form->CurrentNodeIndex, 1);
    }

    void ctrlKeysNeedExactlyCtrl()
    {
        ScriptedDesktop desktop;
        Viewer v({2}, QSize(64, 48));
        v.tap(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        v.tap(Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!v.form->mFullScreen->isChecked());
        v.press(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!v.form->mFullScreen->isChecked()); // on the release, not the press
        v.release(Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(v.form->mFullScreen->isChecked());
        // A quick chord: Ctrl goes up a moment before the F.
        v.press(Qt::Key_Control, Qt::ControlModifier);
        v.press(Qt::Key_F, Qt::ControlModifier);
        v.release(Qt::Key_Control);
        v.release(Qt::Key_F);
        QTRY_VERIFY(!v.form->mFullScreen->isChecked());
        // An F pressed alone is no chord, and a modifier added before the release spoils one.
        v.tap(Qt::Key_F);
        v.press(Qt::Key_F, Qt::ControlModifier);
        v.release(Qt::Key_F, Qt::ShiftModifier);
        QTest::qWait(40);
        QVERIFY(!v.form->mFullScreen->isChecked());

        v.tap(Qt::Key_C, Qt::ControlModifier); // nothing to copy yet
        v.tap(Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(desktop.printDialogs, 0);
        v.open(1);
        QGuiApplication::clipboard()->clear();
        v.tap(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QGuiApplication::clipboard()->image().isNull());
        v.tap(Qt::Key_C, Qt::ControlModifier);
        QTRY_COMPARE(QGuiApplication::clipboard()->image().size(), QSize(64, 48));
        v.tap(Qt::Key_P, Qt::ControlModifier);
        QTRY_COMPARE(desktop.printDialogs, 1);
        v.tap(Qt::Key_F1, Qt::ShiftModifier); // help takes any modifiers
        QTRY_COMPARE(desktop.openedUrls.size(), size_t(1));
        QVERIFY(desktop.openedUrls[0].toLocalFile().endsWith(TMainForm::helpFileName()));
    }

    void fullScreenHidesTheBarsAndComesBackToTheSameBounds()
    {
        ScriptedDesktop desktop;
        Viewer v({2});
        v.open(1);
        TMainForm& f = *v.form;
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton); // the panel stays in full screen
        const QRect before = f.frameGeometry();
        for (int round = 0; round < 3; ++round) {
            f.mFullScreen->trigger();
            QVERIFY(f.mFullScreen->isChecked() && f.pFullScreen->isChecked());
            QCOMPARE(f.SavedBounds, before);
            QCOMPARE(f.geometry(), QGuiApplication::primaryScreen()->geometry());
            QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(f.windowFlags() & Qt::WindowStaysOnTopHint);
            QVERIFY(!f.ToolBar1->isVisible() && !f.StatusBar1->isVisible());
            QVERIFY(!f.MainMenu1->isVisible() && !f.mFile->menuAction()->isVisible());
            QVERIFY(f.FolderPanel->isVisible());
            QVERIFY(f.pViewToolBar->isVisible() && f.pViewMenuBar->isVisible());
            QCOMPARE(f.pViewToolBar->text(), QStringLiteral("ツールバーを表示"));
            QCOMPARE(f.pViewMenuBar->text(), QStringLiteral("メニューバーを表示"));

            f.pViewToolBar->trigger();
            QVERIFY(f.ToolBar1->isVisible());
            QCOMPARE(f.pViewToolBar->text(), QStringLiteral("ツールバーを隠す"));

            f.pFullScreen->trigger(); // leaving after showing only the toolbar
            QVERIFY(!f.mFullScreen->isChecked() && !f.pFullScreen->isChecked());
            QVERIFY(f.ToolBar1->isVisible() && f.StatusBar1->isVisible());
            QVERIFY(f.MainMenu1->isVisible());
            for (QMenu* menu : {f.mFile, f.mImage, f.mView, f.mHelp})
                QVERIFY(menu->menuAction()->isVisible());
            QVERIFY(!f.pViewToolBar->isVisible() && !f.pViewMenuBar->isVisible());
            QVERIFY(!(f.windowFlags() & (Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)));
            QTRY_COMPARE(f.frameGeometry(), before);
        }
    }

    void menuBarToggleAndAMiddleClickDuringADrag()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        v.open(1);
        TMainForm& f = *v.form;
        QTest::mousePress(f.Image1, Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(f.Pan.Dragging);
        QTest::mousePress(f.Image1, Qt::MiddleButton, {}, QPoint(100, 100));
        QVERIFY(f.mFullScreen->isChecked());
        QVERIFY(!f.Pan.Dragging);
        QVERIFY(!f.ImageTimer->isEnabled());
        f.pViewMenuBar->trigger();
        QVERIFY(f.MainMenu1->isVisible() && f.mImage->menuAction()->isVisible());
        QCOMPARE(f.pViewMenuBar->text(), QStringLiteral("メニューバーを隠す"));
        f.pViewMenuBar->trigger();
        QVERIFY(!f.MainMenu1->isVisible());
        QCOMPARE(f.pViewMenuBar->text(), QStringLiteral("メニューバーを表示"));

        // The empty view area takes the middle button too.
        f.Image1->hide();
        QTest::mouseClick(f.ScrollBox, Qt::MiddleButton, {}, QPoint(5, 5));
        QVERIFY(!f.mFullScreen->isChecked());
    }

    void fitModeRefitsToTheScreenAndClosingInFullScreenStoresTheCorner()
    {
        ScriptedDesktop desktop;
        Viewer v({1});
        v.form->FitWinToolBtn->click();
        v.open(1);
        TMainForm& f = *v.form;
        f.mFullScreenClick();
        const QSize box = f.ScrollBox->size();
        // The whole screen but the view area's own border.
        QCOMPARE(box, QGuiApplication::primaryScreen()->size() -
                          QSize(f.FolderPanel->isVisible() ? f.FolderPanel->width() : 0, 0) -
                          QSize(4, 4));
        // 1600 x 1200 fitted: one side touches the screen's edges.
        QVERIFY(f.Image1->width() == box.width() || f.Image1->height() == box.height());
        f.FormDestroy();
        const QByteArray ini = readTextFile(v.dir.filePath(QStringLiteral("qirva.ini")));
        // The offscreen platform, like X11, keeps the old frame around the borderless window.
        const QPoint corner = QGuiApplication::primaryScreen()->geometry().topLeft();
        QVERIFY2(ini.contains("Top=" + QByteArray::number(corner.y()) + "\n"), ini);
        QVERIFY2(ini.contains("Left=" + QByteArray::number(corner.x()) + "\n"), ini);
    }

    void fullScreenItemsOfferTheToggleToAssistiveTechnology()
    {
        ScriptedDesktop desktop;
        Viewer v({1}, QSize(64, 48));
        TMainForm& f = *v.form;
        f.mView->popup(QPoint(0, 0));
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(f.mView);
        QAccessibleInterface* item = nullptr;
        for (int i = 0; i < menu->childCount(); ++i)
            if (menu->child(i)
                    ->text(QAccessible::Name)
                    .startsWith(QStringLiteral("フルスクリーン")))
                item = menu->child(i);
        QVERIFY(item);
        QVERIFY(item->state().checkable);
        QAccessibleActionInterface* actions = item->actionInterface();
        const QString toggle = QAccessibleActionInterface::toggleAction();
        actions->doAction(actions->actionNames().contains(toggle)
                              ? toggle
                              : QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(f.mFullScreen->isChecked());
        QVERIFY(f.windowFlags() & Qt::FramelessWindowHint);
    }
};

QTEST_MAIN(TestDirectInput)
#include "tst_directinput.moc"
