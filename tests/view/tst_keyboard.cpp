// The keys beside the keypad, the folder tree from the keyboard and what a screen reader is
// told, driven by key events delivered to the real window as the platform delivers them.
#include <QAccessible>
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/ResizeNotifyPanel.h"
#include "library/FolderTreeView.h"
#include "support/TestSupport.h"

namespace {

// Albums a0 (flat tree indexes 1-3), a1 (5-7) and a2 (9-10).
struct Library
{
    QTemporaryDir dir;
    std::unique_ptr<TMainForm> form;

    Library()
    {
        const QString library = dir.filePath(QStringLiteral("lib"));
        makeAlbum(library, QStringLiteral("a0"), 3);
        makeAlbum(library, QStringLiteral("a1"), 3);
        makeAlbum(library, QStringLiteral("a2"), 2);
        form = showMainWindow(dir.path(), "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
    }

    void open(int flat)
    {
        form->FolderToolBtn->click();
        form->TreeView->selectNode(flat);
        form->TreeViewDblClick();
    }

    void key(int key, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(form->windowHandle(), Qt::Key(key), mods);
    }
    // A key-up command: past the wait that tells a real release from an auto-repeat.
    void keyUp(int key, Qt::KeyboardModifiers mods = {})
    {
        this->key(key, mods);
        QTest::qWait(60);
    }
    bool fullScreen() const { return form->mFullScreen->isChecked(); }
};

QString accessible(QWidget* widget, QAccessible::Text text)
{
    return QAccessible::queryAccessibleInterface(widget)->text(text);
}

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void keysStepLikeTheirCommandsOnlyWhileThePanelIsHidden_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("toWithPanel");
        const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier), pad(Qt::KeypadModifier);
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 6 << 7 << 6;
        QTest::newRow("Space") << int(Qt::Key_Space) << none << 6 << 7 << 6;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << 6 << 5 << 6;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << 6 << 5 << 6;
        QTest::newRow("Home") << int(Qt::Key_Home) << none << 7 << 5 << 7;
        QTest::newRow("End") << int(Qt::Key_End) << none << 5 << 7 << 5;
        QTest::newRow("Ctrl+Page Down") << int(Qt::Key_PageDown) << ctrl << 6 << 9 << 6;
        QTest::newRow("Ctrl+Page Up: first photo") << int(Qt::Key_PageUp) << ctrl << 6 << 1 << 6;
        QTest::newRow("keypad Page Down") << int(Qt::Key_PageDown) << pad << 6 << 7 << 6;
        // Disabled where their controls are.
        QTest::newRow("Space at the last") << int(Qt::Key_Space) << none << 7 << 7 << 7;
        QTest::newRow("Backspace at the first") << int(Qt::Key_Backspace) << none << 5 << 5 << 5;
        QTest::newRow("Home at the first") << int(Qt::Key_Home) << none << 5 << 5 << 5;
        QTest::newRow("Ctrl+Page Up in the first album")
            << int(Qt::Key_PageUp) << ctrl << 2 << 2 << 2;
        QTest::newRow("Ctrl+Page Down in the last") << int(Qt::Key_PageDown) << ctrl << 9 << 9 << 9;
        QTest::newRow("Alt+Page Down")
            << int(Qt::Key_PageDown) << Qt::KeyboardModifiers(Qt::AltModifier) << 6 << 6 << 6;
        // The keypad keys keep their meaning, the panel shown or not.
        QTest::newRow("keypad 6") << int(Qt::Key_6) << pad << 6 << 7 << 7;
        QTest::newRow("keypad 3") << int(Qt::Key_3) << pad << 6 << 9 << 9;
        QTest::newRow("keypad 1") << int(Qt::Key_1) << pad << 6 << 1 << 1;
        QTest::newRow("top-row 6") << int(Qt::Key_6) << none << 6 << 6 << 6;
    }

    void keysStepLikeTheirCommandsOnlyWhileThePanelIsHidden()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, toWithPanel);
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = *lib.form;

        lib.open(from);
        // A user's step ends automatic advance; a key that steps nowhere leaves it running.
        f.AutoNextToolBtn->click();
        QVERIFY(f.AutoNextToolBtn->isChecked());
        lib.key(key, mods);
        QCOMPARE(f.CurrentNodeIndex, to);
        QCOMPARE(f.AutoNextToolBtn->isChecked(), to == from);

        lib.open(from);
        f.FolderToolBtn->click();
        QVERIFY(f.FolderPanel->isVisible());
        QCOMPARE(f.focusWidget(), f.TreeView);
        lib.key(key, mods);
        QCOMPARE(f.CurrentNodeIndex, toWithPanel);
    }

    void plusAndMinusZoomAsTheButtons()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = *lib.form;
        lib.open(1);
        QCOMPARE(f.ZoomStep, quint8(8));
        lib.key(Qt::Key_Plus, Qt::ShiftModifier); // disabled at 100%, as its button is
        QCOMPARE(f.ZoomStep, quint8(8));
        lib.key(Qt::Key_Minus);
        QCOMPARE(f.StatusBar1->panelText(4), QStringLiteral("70%"));
        lib.key(Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(f.ZoomStep, quint8(6));
        lib.key(Qt::Key_Plus, Qt::KeypadModifier);
        lib.key(Qt::Key_Plus, Qt::ShiftModifier);
        QCOMPARE(f.ZoomStep, quint8(8));
        QVERIFY(!f.ZoomInToolBtn->isEnabled());

        f.FolderToolBtn->click(); // the tree's + and - open and close albums
        lib.key(Qt::Key_Minus);
        QCOMPARE(f.ZoomStep, quint8(8));
        f.FolderToolBtn->click();
        lib.key(Qt::Key_0, Qt::KeypadModifier); // fit mode disables the zoom buttons
        lib.key(Qt::Key_Minus);
        QCOMPARE(f.ZoomStep, quint8(8));
        QCOMPARE(f.StatusBar1->panelText(4), QStringLiteral("表示最適化"));
    }

    void f11TogglesAndEscOnlyLeavesFullScreen()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = *lib.form;
        lib.keyUp(Qt::Key_Escape);
        QVERIFY(!lib.fullScreen());
        lib.key(Qt::Key_F11);
        QTRY_VERIFY(lib.fullScreen());
        lib.keyUp(Qt::Key_Escape);
        QVERIFY(!lib.fullScreen());

        // Held down: X11 repeats it as release and press pairs; it switches once.
        quint64 clock = 5000;
        auto send = [&](QEvent::Type type, quint64 at) {
            QKeyEvent event(type, Qt::Key_F11, Qt::NoModifier);
            event.setTimestamp(at);
            QCoreApplication::sendEvent(f.windowHandle(), &event);
        };
        send(QEvent::KeyPress, ++clock);
        for (int i = 0; i < 4; ++i) {
            send(QEvent::KeyRelease, ++clock);
            send(QEvent::KeyPress, clock);
        }
        QTest::qWait(60);
        QVERIFY(!lib.fullScreen());
        send(QEvent::KeyRelease, ++clock);
        QTRY_VERIFY(lib.fullScreen());

        // The Esc that closes a menu is the menu's.
        f.PopupMenu2->popup(f.mapToGlobal(QPoint(50, 50)));
        QVERIFY(QTest::qWaitForWindowExposed(f.PopupMenu2));
        QTest::keyPress(f.PopupMenu2->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!f.PopupMenu2->isVisible());
        QTest::keyRelease(f.windowHandle(), Qt::Key_Escape);
        QTest::qWait(60);
        QVERIFY(lib.fullScreen());
        // So is the one that ends the menu bar's keyboard mode.
        f.pViewMenuBarClick();
        lib.key(Qt::Key_Alt);
        QCOMPARE(f.focusWidget(), f.MainMenu1);
        lib.keyUp(Qt::Key_Escape);
        QVERIFY(lib.fullScreen());

        // Both keys work with the folder panel shown.
        f.FolderToolBtn->click();
        lib.keyUp(Qt::Key_Escape);
        QVERIFY(!lib.fullScreen());
        lib.keyUp(Qt::Key_F11);
        QVERIFY(lib.fullScreen());
    }

    void treeSelectionAndReturnWorkAsClicks()
    {
        ScriptedDesktop desktop;
        Library lib;
        TMainForm& f = *lib.form;
        QCOMPARE(f.focusWidget(), f.ScrollBox);
        f.FolderToolBtn->click();
        QCOMPARE(f.focusWidget(), f.TreeView);

        // The tree marks its first album when it gets the focus; Return selects and opens it.
        QVERIFY(f.TreeView->selectedNode() < 0);
        lib.key(Qt::Key_Return);
        QCOMPARE(f.StatusBar1->panelText(0), QStringLiteral("3個"));
        QVERIFY(f.mSlideShow->isEnabled() && f.pSlideShow->isEnabled());
        QVERIFY(f.TreeView->isExpanded(f.TreeView->currentIndex()));
        lib.key(Qt::Key_Down);
        QCOMPARE(f.StatusBar1->panelText(0), QStringLiteral("(1/3)"));
        QVERIFY(f.PrevPanel->isVisible());
        QCOMPARE(accessible(f.ImagePanel, QAccessible::Name), QStringLiteral("プレビュー"));
        QCOMPARE(accessible(f.ImagePanel, QAccessible::Description), QStringLiteral("p1.jpg"));
        lib.key(Qt::Key_End); // the last album, closed
        QCOMPARE(f.StatusBar1->panelText(0), QStringLiteral("2個"));
        QVERIFY(!f.PrevPanel->isVisible());
        lib.key(Qt::Key_Return);
        lib.key(Qt::Key_End);
        QCOMPARE(f.StatusBar1->panelText(0), QStringLiteral("(2/2)"));

        lib.key(Qt::Key_Enter, Qt::KeypadModifier); // opens the photo as a double-click
        QCOMPARE(f.CurrentNodeIndex, 10);
        QVERIFY(!f.FolderPanel->isVisible());
        QCOMPARE(f.focusWidget(), f.ScrollBox);
        QCOMPARE(accessible(f.ScrollBox, QAccessible::Name), QStringLiteral("表示エリア"));
        QCOMPARE(accessible(f.ScrollBox, QAccessible::Description), QStringLiteral("p2.jpg"));
        lib.key(Qt::Key_Home);
        QCOMPARE(f.CurrentNodeIndex, 9);

        // The tree follows the photo; Left goes up to its album, and Return there closes it.
        f.FolderToolBtn->click();
        QCOMPARE(f.StatusBar1->panelText(0), QStringLiteral("(2/2)")); // following is no click
        lib.key(Qt::Key_Left);
        QCOMPARE(f.StatusBar1->panelText(0), QStringLiteral("2個"));
        lib.key(Qt::Key_Return);
        QVERIFY(!f.TreeView->isExpanded(f.TreeView->currentIndex()));
        QCOMPARE(f.CurrentNodeIndex, 9);
        QVERIFY(f.FolderPanel->isVisible());
    }

    void toolBarSeparatorsAreSeparators()
    {
        ScriptedDesktop desktop;
        Library lib;
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(lib.form->ToolBar1);
        int separators = 0;
        for (int i = 0; i < bar->childCount(); ++i)
            separators += bar->child(i)->role() == QAccessible::Separator;
        QCOMPARE(separators, 4);
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
