#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/TMainForm.h"
#include "library/FolderTreeView.h"
#include "platform/LoopTimer.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

namespace {

// A window over three albums of 3, 1 and 4 photos: album 0, photos 1-3, album 4, photo 5,
// album 6, photos 7-10.
struct Library
{
    QTemporaryDir dir;
    QString root;
    std::unique_ptr<TMainForm> form;

    explicit Library(const QList<int>& albums = {3, 1, 4})
    {
        root = dir.filePath(QStringLiteral("lib"));
        for (int i = 0; i < albums.size(); ++i)
            makeAlbum(root, QStringLiteral("a%1").arg(i), albums[i], 96, 64);
    }

    TMainForm& open(bool slideLoop = false)
    {
        form = showMainWindow(dir.path(), "[Setting]\nLoadSetPath=" + root.toUtf8() +
                                              "\nSlideLoop=" + (slideLoop ? "1" : "0") + "\n");
        return *form;
    }

    void selectNode(int flat)
    {
        if (!form->FolderToolBtn->isChecked())
            form->FolderToolBtn->click();
        form->TreeView->selectNode(flat);
        form->TreeViewClick();
    }
};

bool decoded(const TMainForm& f)
{
    return f.Image1->picture() && f.Image1->picture()->isDecoded();
}

// "running" or "off", with the check marks and the timer where they disagree with it.
QString switchState(const TMainForm& f)
{
    const bool on = f.AutoNextToolBtn->isChecked();
    QString state = on ? QStringLiteral("running") : QStringLiteral("off");
    if (f.mAutoNext->isChecked() != on || f.pAutoNext->isChecked() != on)
        state += QStringLiteral(" marks-differ");
    if (!on && (f.SlideTimer->isEnabled() || f.SlideMode != 0))
        state += QStringLiteral(" timer-or-mode-left");
    return state;
}

// Makes the ticks of a show by hand, each once the photo on display has decoded, and lists
// the photos shown; "stop" when the show ends, "halted" when no decode ends arms the timer.
QStringList runByTicks(TMainForm& f, int limit)
{
    QStringList course{QString::number(f.CurrentNodeIndex)};
    for (int i = 0; i < limit && f.AutoNextToolBtn->isChecked(); ++i) {
        if (!QTest::qWaitFor([&] { return f.SlideTimer->isEnabled(); }, 3000)) {
            course << QStringLiteral("halted");
            break;
        }
        f.SlideTimerTimer();
        if (f.SlideTimer->isEnabled())
            course << QStringLiteral("armed-before-decode");
        if (!f.AutoNextToolBtn->isChecked()) {
            course << QStringLiteral("stop");
            break;
        }
        if (switchState(f) != QStringLiteral("running"))
            course << switchState(f);
        course << QString::number(f.CurrentNodeIndex);
    }
    return course;
}

QStringList nodes(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromLatin1(item);
    return list;
}

} // namespace

class TestSlideShows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void albumShowStartsAtTheAlbumsFirstPhotoAndHidesThePanel()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open();
        lib.selectNode(9); // the third album's photo 3
        QVERIFY(f.mSlideShow->isEnabled() && f.pSlideShow->isEnabled());
        f.pSlideShow->trigger();

        QCOMPARE(f.CurrentNodeIndex, 7);
        QCOMPARE(f.SlideMode, 1);
        QVERIFY(!f.FolderToolBtn->isChecked() && !f.FolderPanel->isVisible());
        QVERIFY(!f.Folder1->isChecked() && !f.mSlideShow->isVisible() && !f.N19->isVisible());
        QCOMPARE(switchState(f), QStringLiteral("running"));
        QVERIFY(f.AutoNextToolBtn->isEnabled() && f.mAutoNext->isEnabled());
        // The timer waits for the first photo's decoding to end.
        QVERIFY(!f.SlideTimer->isEnabled());
        QTRY_VERIFY(decoded(f));
        QVERIFY(f.SlideTimer->isEnabled());
        // The show begins in an album never opened: its commands describe the photo shown.
        QVERIFY(f.PrevFolder->isEnabled() && !f.NextFolder->isEnabled());
        QVERIFY(f.mPrint->isEnabled() && f.mIndex->isEnabled() && f.mClipCopy->isEnabled());
        QVERIFY(desktop.messages.empty());
    }

    void albumShowRunsThroughItsAlbumOnceOrInALoop()
    {
        ScriptedDesktop desktop;
        {
            Library lib;
            TMainForm& f = lib.open(false);
            lib.selectNode(0); // an album: its first photo
            f.mSlideShow->trigger();
            QCOMPARE(runByTicks(f, 10), nodes({"1", "2", "3", "stop"}));
            QCOMPARE(switchState(f), QStringLiteral("off"));
            // The last photo and the hidden panel stay.
            QCOMPARE(f.CurrentNodeIndex, 3);
            QVERIFY(!f.FolderPanel->isVisible() && f.Image1->isVisible());
        }
        {
            Library lib;
            TMainForm& f = lib.open(true);
            lib.selectNode(8);
            f.mSlideShow->trigger();
            QCOMPARE(runByTicks(f, 6), nodes({"7", "8", "9", "10", "7", "8", "9"}));
            QCOMPARE(switchState(f), QStringLiteral("running"));
        }
        QVERIFY(desktop.messages.empty());
    }

    void allAlbumsShowCrossesEveryAlbumOnceOrInALoop()
    {
        ScriptedDesktop desktop;
        {
            Library lib;
            TMainForm& f = lib.open(false);
            lib.selectNode(9); // the selection does not matter
            f.mAllSlideShow->trigger();
            QCOMPARE(f.SlideMode, 2);
            QCOMPARE(runByTicks(f, 20), nodes({"1", "2", "3", "5", "7", "8", "9", "10", "stop"}));
            QCOMPARE(f.CurrentNodeIndex, 10);
            QCOMPARE(switchState(f), QStringLiteral("off"));
        }
        {
            Library lib;
            TMainForm& f = lib.open(true);
            lib.selectNode(0);
            f.pAllSlideShow->trigger();
            QCOMPARE(runByTicks(f, 10),
                     nodes({"1", "2", "3", "5", "7", "8", "9", "10", "1", "2", "3"}));
            // Back in the first album, its commands are set again.
            QVERIFY(!f.PrevFolder->isEnabled() && f.NextFolder->isEnabled());
            QVERIFY(f.AutoNextToolBtn->isEnabled());
        }
        QVERIFY(desktop.messages.empty());
    }

    void oneAlbumLibraryAllAlbumsShowStartsOverOnlyWithLoop()
    {
        ScriptedDesktop desktop;
        for (bool loop : {false, true}) {
            Library lib(QList<int>{2});
            TMainForm& f = lib.open(loop);
            lib.selectNode(0);
            QVERIFY(f.mAllSlideShow->isEnabled()); // three nodes are enough
            f.mAllSlideShow->trigger();
            QCOMPARE(runByTicks(f, 3),
                     loop ? nodes({"1", "2", "1", "2"}) : nodes({"1", "2", "stop"}));
        }
    }

    void singlePhotoAlbumInsideAShowDisablesTheSwitchYetTheShowGoesOn()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open();
        lib.selectNode(0);
        f.mAllSlideShow->trigger();
        QCOMPARE(runByTicks(f, 3), nodes({"1", "2", "3", "5"}));
        QVERIFY(!f.AutoNextToolBtn->isEnabled() && !f.mAutoNext->isEnabled());
        QVERIFY(f.AutoNextToolBtn->isChecked());
        // The disabled item does nothing; the show goes on to the next album.
        f.mAutoNext->trigger();
        QVERIFY(f.AutoNextToolBtn->isChecked());
        QCOMPARE(runByTicks(f, 1), nodes({"5", "7"}));
        QVERIFY(f.AutoNextToolBtn->isEnabled());
        // A command that begins with StopAutoNext still ends it.
        QTRY_VERIFY(f.SlideTimer->isEnabled());
        f.NextToolBtn->click();
        QCOMPARE(switchState(f), QStringLiteral("off"));
        QCOMPARE(f.CurrentNodeIndex, 8);
    }

    void userCommandsStopAShowAndTheTimersOwnDoNot()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open(true);
        lib.selectNode(7);
        f.mSlideShow->trigger();
        QTRY_VERIFY(f.SlideTimer->isEnabled());
        f.NextToolBtnClick(CommandOrigin::SlideTimer);
        f.mFirstClick(CommandOrigin::SlideTimer);
        f.NextToolBtnClick(CommandOrigin::SlideTimer);
        QCOMPARE(f.CurrentNodeIndex, 8);
        QCOMPARE(switchState(f), QStringLiteral("running"));
        QCOMPARE(f.SlideMode, 1);

        // Fit and zoom leave it running.
        f.FitWinToolBtn->click();
        QCOMPARE(switchState(f), QStringLiteral("running"));

        f.mFirst->trigger();
        QCOMPARE(switchState(f), QStringLiteral("off"));
        QCOMPARE(f.SlideMode, 0);
        QTRY_VERIFY(decoded(f));
        QVERIFY(!f.SlideTimer->isEnabled()); // the end of that decode does not re-arm it

        // Switched on again it is plain automatic advance: it ends with the album, loop or not.
        QCOMPARE(f.CurrentNodeIndex, 7);
        f.AutoNextToolBtn->click();
        QCOMPARE(f.SlideMode, 0);
        QCOMPARE(runByTicks(f, 6), nodes({"7", "8", "9", "10", "stop"}));
    }

    void automaticAdvanceAtTheAlbumsLastPhotoStopsWithoutChangingIt()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open(true);
        lib.selectNode(3);
        f.TreeViewDblClick();
        QTRY_VERIFY(decoded(f));
        f.mAutoNext->trigger();
        QVERIFY(f.SlideTimer->isEnabled());
        QCOMPARE(runByTicks(f, 3), nodes({"3", "stop"}));
        QCOMPARE(f.CurrentNodeIndex, 3);
    }

    void showingTheFolderPanelEndsAShow()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open();
        lib.selectNode(0);
        f.mAllSlideShow->trigger();
        QTRY_VERIFY(f.SlideTimer->isEnabled());
        f.FolderToolBtn->click();
        QCOMPARE(switchState(f), QStringLiteral("off"));
        QVERIFY(!f.AutoNextToolBtn->isEnabled() && !f.mAutoNext->isEnabled());
    }

    void aFailedLoadHaltsTheShowUntilTheUserStopsIt()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open();
        // The second photo turns into something that cannot be opened after the scan.
        const QString second = lib.root + QStringLiteral("/a0/p2.jpg");
        QVERIFY(QFile::remove(second));
        QVERIFY(QDir().mkdir(second));
        f.SlideTimer->setInterval(10);
        lib.selectNode(0);
        f.mSlideShow->trigger();
        QTRY_COMPARE(desktop.messages.size(), size_t(1));
        QVERIFY(desktop.messages.front().text.contains(QStringLiteral("は開けません")));
        QTest::qWait(100);
        QCOMPARE(f.CurrentNodeIndex, 2);
        QCOMPARE(switchState(f), QStringLiteral("running"));
        QVERIFY(!f.SlideTimer->isEnabled());
        QCOMPARE(desktop.messages.size(), size_t(1));
        f.mAutoNext->trigger();
        QCOMPARE(switchState(f), QStringLiteral("off"));
    }

    void aShortIntervalShowsEachPhotoInTurnAndStopsAtTheEnd()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open();
        f.SlideTimer->setInterval(20);
        QStringList course;
        connect(f.SlideTimer, &LoopTimer::timeout, &f,
                [&] { course << QString::number(f.CurrentNodeIndex); });
        lib.selectNode(0);
        f.mAllSlideShow->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!f.AutoNextToolBtn->isChecked(), 20000);
        QCOMPARE(course, nodes({"2", "3", "5", "7", "8", "9", "10", "10"}));
        QCOMPARE(switchState(f), QStringLiteral("off"));
        QVERIFY(desktop.messages.empty());
    }

    void noSelectionStartsNoShow()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open();
        lib.selectNode(1);
        QVERIFY(f.mSlideShow->isEnabled());
        f.TreeView->selectionModel()->clearSelection(); // as after a rebuild of the tree
        QCOMPARE(f.TreeView->selectedNode(), -1);
        f.mSlideShow->trigger();
        QCOMPARE(switchState(f), QStringLiteral("off"));
        QVERIFY(!f.Image1->hasPicture());
        QVERIFY(desktop.messages.empty());
    }

    void assistiveTechnologyPressStartsTheShows()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = lib.open();
        lib.selectNode(6);
        auto press = [](QMenu* menu, QAction* item) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(menu);
            QVERIFY(iface);
            for (int i = 0; i < iface->childCount(); ++i) {
                QAccessibleInterface* child = iface->child(i);
                if (child->text(QAccessible::Name) == item->text().remove(QLatin1Char('&'))) {
                    QVERIFY(child->actionInterface());
                    child->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                    return;
                }
            }
            QFAIL("no accessible menu item");
        };
        press(f.PopupMenu1, f.pSlideShow);
        QCOMPARE(f.SlideMode, 1);
        QCOMPARE(f.CurrentNodeIndex, 7);
        f.FolderToolBtn->click();
        press(f.mImage, f.mAllSlideShow);
        QCOMPARE(f.SlideMode, 2);
        QCOMPARE(f.CurrentNodeIndex, 1);
    }
};

QTEST_MAIN(TestSlideShows)
#include "tst_slideshows.moc"
