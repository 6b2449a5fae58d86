#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/TStatusProgressBar.h"
#include "platform/LoopTimer.h"
#include "platform/QirvaError.h"
#include "support/TestSupport.h"
#include "support/VanishingFile.h"
#include "view/PhotoImage.h"

namespace {

QStringList enabledCommands(const TMainForm& form)
{
    QStringList names;
    for (const QToolButton* button : form.findChildren<QToolButton*>())
        if (button->isEnabled() && button->objectName().endsWith(QStringLiteral("ToolBtn")))
            names << button->objectName();
    for (const QAction* action : form.findChildren<QAction*>())
        if (!action->isSeparator() && action->isEnabled() && !action->objectName().isEmpty())
            names << action->objectName();
    names.sort();
    return names;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_config;

    // A window in normal mode on a library with albums of the given sizes.
    std::unique_ptr<TMainForm> openOn(QTemporaryDir& dir, const QList<int>& albums)
    {
        const QString library = dir.filePath(QStringLiteral("lib"));
        QDir().mkpath(library);
        for (int i = 0; i < albums.size(); ++i)
            makeAlbum(library, QStringLiteral("album%1").arg(i), albums[i]);
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")),
                      "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
        return std::make_unique<TMainForm>(dir.path());
    }

private slots:
    void initTestCase()
    {
        // Nothing may be stored under the user's configuration folders.
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        qputenv("XDG_DATA_HOME", m_config.path().toUtf8());
        qputenv("XDG_CACHE_HOME", m_config.path().toUtf8());
        TMainForm::initApplication(*qApp);
    }

    void cleanupTestCase()
    {
        QCOMPARE(QDir(m_config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void startupEnablesOnlyTheFreeCommands()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {2}); // 3 nodes: the all-album slide show is offered
        QStringList expected{"About1",  "AboutToolBtn", "Exit1",         "FitWin",
                             "FitWinToolBtn", "Folder1", "FolderToolBtn", "Help2",
                             "N22",     "SettingToolBtn", "mFullScreen",
                             "pAllSlideShow", "pFullScreen"};
        expected.sort();
        QCOMPARE(enabledCommands(*form).join(' '), expected.join(' '));
        // The Image menu's slide-show items are enabled, but seen only with the folder panel.
        form->Folder1->trigger();
        QVERIFY(form->mAllSlideShow->isEnabled());
        QVERIFY(!form->mSlideShow->isEnabled());
        QVERIFY(desktop.messages.empty());
    }

    void smallLibraryKeepsAllAlbumSlideShowOff()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {1}); // 2 nodes
        QVERIFY(!form->mAllSlideShow->isEnabled());
        QVERIFY(!form->pAllSlideShow->isEnabled());
        QCOMPARE(form->Tree.count(), 2);
    }

    void captionsAreExact()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {});
        const QList<std::pair<const char*, QString>> captions = {
            {"mFile", "ファイル(&F)"},
            {"mPrint", "表示中の画像を印刷    Ctrl+P"},
            {"mClipCopy", "表示中の画像をコピー  Ctrl+C"},
            {"mIndex", "アルパム表示"},
            {"Exit1", "終了                        Alt+F4"},
            {"mNext", "次の画像               Num6"},
            {"mFirst", "最初の画像            Num7"},
            {"NextFolder", "次のフォルダの画像 Num3"},
            {"mAutoNext", "自動進行               Num5"},
            {"mAllSlideShow", "全ファルダスライドショー"},
            {"mFullScreen", "フルスクリーン　Ctrl+F"},
            {"pFullScreen", "フルスクリーン　      Ctrl+F"},
            {"N1", "最新の状態"},
            {"pAllSlideShow", "全スライドショー"},
            {"pPrevFol", "前のフォルダの画像 Num1"},
        };
        for (const auto& [name, caption] : captions) {
            const QAction* action = form->findChild<QAction*>(QString::fromLatin1(name));
            if (!action)
                if (const QMenu* menu = form->findChild<QMenu*>(QString::fromLatin1(name)))
                    action = menu->menuAction();
            QVERIFY2(action, name);
            QCOMPARE(action->text(), caption);
        }
        QCOMPARE(form->MainMenu1->actions().size(), 4);
        QCOMPARE(form->mView->menuAction()->text(), QStringLiteral("表示(&V)"));
    }

    void noMenuItemCarriesAShortcut()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {});
        for (const QAction* action : form->findChildren<QAction*>())
            QVERIFY2(action->shortcut().isEmpty(), qPrintable(action->objectName()));
    }

    void toolBarButtonsHaveGlyphsHintsAndStyles()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {});
        const QStringList order{"FolderToolBtn",   "PrevToolBtn",    "AutoNextToolBtn",
                                "NextToolBtn",     "FitWinToolBtn",  "ZoomOutToolBtn",
                                "UnZoomToolBtn",   "ZoomInToolBtn",  "IndexToolBtn",
                                "ClipCopyToolBtn", "PrintToolBtn",   "SettingToolBtn",
                                "AboutToolBtn"};
        int previousX = -1;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        for (const QString& name : order) {
            auto* button = form->findChild<QToolButton*>(name);
            QVERIFY2(button, qPrintable(name));
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->text(), QString());
            QVERIFY2(button->x() > previousX, qPrintable(name)); // left to right
            previousX = button->x();
        }
        QCOMPARE(form->NextToolBtn->toolTip(), QStringLiteral("次のイメージ"));
        QCOMPARE(form->ClipCopyToolBtn->toolTip(), QStringLiteral("イメージをクリップボードにコピー"));
        QCOMPARE(form->UnZoomToolBtn->toolTip(), QString());
        QVERIFY(form->FolderToolBtn->isCheckable());
        QVERIFY(form->AutoNextToolBtn->isCheckable());
        QVERIFY(form->FitWinToolBtn->isCheckable());
        QVERIFY(!form->NextToolBtn->isCheckable());
        QVERIFY(!form->FolderToolBtn->isChecked());
    }

    void initialLayoutAndHiddenControls()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {});
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_COMPARE(form->frameGeometry().size(), QSize(617, 475));
        QVERIFY(form->FolderPanel->isHidden());
        QVERIFY(!form->Splitter1->isVisible());
        QVERIFY(form->Image1->isHidden());
        QVERIFY(form->PrevPanel->isHidden());
        QVERIFY(!form->N19->isVisible());
        QVERIFY(!form->mSlideShow->isVisible());
        QVERIFY(!form->pViewToolBar->isVisible());
        QVERIFY(!form->pViewMenuBar->isVisible());
        QVERIFY(!form->N1->isEnabled());

        QCOMPARE(form->ToolBar1->height(), 26);
        QCOMPARE(form->StatusBar1->height(), 19);
        QCOMPARE(form->StatusBar1->panelText(0), QStringLiteral("イメージなし"));
        for (int i = 1; i < 6; ++i)
            QCOMPARE(form->StatusBar1->panelText(i), QString());
        QCOMPARE(form->StatusBar1->panelRect(5).x(), 417);
        QCOMPARE(form->StatusProgressBar1->parentWidget(), form->StatusBar1);
        QCOMPARE(form->StatusProgressBar1->panelIndex(), 5);
        QCOMPARE(form->StatusProgressBar1->geometry(), QRect(417, 2, 192, 17));
        QCOMPARE(form->StatusProgressBar1->value(), 0);

        QVERIFY(!form->ImageTimer->isEnabled());
        QVERIFY(!form->SlideTimer->isEnabled());
        QVERIFY(!form->ProgressTimer->isEnabled());
        QCOMPARE(form->ImageTimer->interval(), 50);
        QCOMPARE(form->SlideTimer->interval(), 5000);
        QCOMPARE(form->ProgressTimer->interval(), 1000);
        QCOMPARE(form->Image1->cursor().shape(), Qt::BitmapCursor);
    }

    void windowFontIsTheSubstitutedGothic()
    {
        QTemporaryDir dir;
        ScriptedDesktop desktop;
        auto form = openOn(dir, {});
        QCOMPARE(QFontInfo(form->font()).pixelSize(), 12);
        if (!QFontDatabase::families().contains(QStringLiteral("IPAPGothic")))
            QSKIP("IPA P Gothic is not installed");
        QCOMPARE(QFontInfo(form->font()).family(), QStringLiteral("IPAPGothic"));
    }

    void accessibilityReadsControls()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {});
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        QAccessibleInterface* next = QAccessible::queryAccessibleInterface(form->NextToolBtn);
        QVERIFY(next);
        QCOMPARE(next->text(QAccessible::Name), QStringLiteral("次のイメージ"));
        QVERIFY(next->state().disabled);

        auto* panel0 = form->StatusBar1->findChild<QLabel*>(QStringLiteral("Panel0"));
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(panel0);
        QVERIFY(status);
        QCOMPARE(status->text(QAccessible::Name), QStringLiteral("イメージなし"));
        // The panels and the progress bar sit in one container a screen reader reads as the
        // status bar.
        QAccessibleInterface* bar = status->parent();
        QVERIFY(bar);
        QCOMPARE(bar->object(), form->StatusBar1);
        QCOMPARE(bar->role(), QAccessible::StatusBar);
        QStringList roles;
        for (int i = 0; i < bar->childCount(); ++i)
            roles << QString::number(int(bar->child(i)->role()));
        roles.sort();
        QStringList expected(6, QString::number(int(QAccessible::StaticText)));
        expected << QString::number(int(QAccessible::ProgressBar));
        expected.sort();
        QCOMPARE(roles, expected);

        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(form->mImage);
        QVERIFY(menu);
        QAccessibleInterface* first = menu->child(0);
        QVERIFY(first);
        QCOMPARE(first->text(QAccessible::Name), form->mNext->text());
        QVERIFY(first->state().disabled);

        form->Folder1->trigger();
        QAccessibleInterface* file = QAccessible::queryAccessibleInterface(form->mFile);
        QAccessibleInterface* folderItem = file->child(0);
        QCOMPARE(folderItem->text(QAccessible::Name), QStringLiteral("フォルダ・プレビュー表示"));
        QVERIFY(folderItem->state().checked);
    }

    void firstRunCancelEndsTheProgramWritingNothing()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        desktop.nextFolders = {QString()}; // Cancel, Esc or the close box
        TMainForm form(dir.path());
        QVERIFY(form.startCancelled());
        QCOMPARE(desktop.events, QStringList({"beep", "message:情報", "browse"}));
        form.FormDestroy();
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void firstRunTakesTheFolderChosen()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("photos"));
        makeAlbum(library, QStringLiteral("trip"), 2);
        desktop.nextFolders = {library};
        TMainForm form(dir.path());

        QVERIFY(!form.startCancelled());
        QCOMPARE(desktop.events, QStringList({"beep", "message:情報", "browse"}));
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Information);
        QCOMPARE(desktop.messages[0].text, QStringLiteral("Pictavaultの保存先の設定をします"));
        QCOMPARE(desktop.browsePrompts[0], QStringLiteral("Pictavaultの保存先を指定してください"));
        QCOMPARE(form.LoadSetPath, library);
        QCOMPARE(form.Tree.count(), 3);
        QCOMPARE(form.windowTitle(), QStringLiteral("NORVO-Pictavault Glancer (QIRVA)"));
        QCOMPARE(form.pos(), QPoint(0, 0));

        form.FormDestroy();
        const QString ini = QString::fromUtf8(readTextFile(dir.filePath(QStringLiteral("qirva.ini"))));
        for (const char* entry :
             {"[Form]", "Top=0", "Left=0", "Caption=NORVO-Pictavault Glancer (QIRVA)", "[Setting]",
              "SLISetInte=50", "FileSizeView=1", "Incremental=0", "SlideLoop=0", "[Printer]",
              "AllAdjust=1", "AutoOrientation=1"})
            QVERIFY2(ini.contains(QString::fromUtf8(entry)), entry);
        QVERIFY(ini.contains(QStringLiteral("LoadSetPath=") + library));
        QVERIFY(!ini.contains(QStringLiteral("Mode")));
    }

    void storedCaptionComesBackAsStored()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        for (const QString& caption : {QStringLiteral("Photos [*] of [*][*] mine"), QString()}) {
            writeTextFile(dir.filePath(QStringLiteral("qirva.ini")),
                          "[Setting]\nLoadSetPath=/nowhere\n[Form]\nCaption=" + caption.toUtf8() +
                              "\n");
            TMainForm form(dir.path());
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QCOMPARE(form.windowHandle()->title(), caption);
            form.FormDestroy();
            QVERIFY(readTextFile(dir.filePath(QStringLiteral("qirva.ini")))
                        .contains("Caption=" + caption.toUtf8() + "\n"));
        }
    }

    void libraryModeReadsBesideTheProgramAndWritesNothing()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        makeAlbum(dir.filePath(QStringLiteral("Photos")), QStringLiteral("a"), 2);
        const QByteArray ini = "; demo\n[Setting]\nMode=1\nLoadSetPath=Photos\n";
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")), ini);
        {
            TMainForm form(dir.path());
            QCOMPARE(form.Mode, quint8(1));
            QCOMPARE(form.LoadSetPath, dir.path() + QStringLiteral("/Photos"));
            QCOMPARE(form.windowTitle(), QStringLiteral("Photo Library"));
            QCOMPARE(form.Tree.count(), 3);
            form.FormDestroy();
        }
        QVERIFY(desktop.events.isEmpty()); // no first-run prompt
        QCOMPARE(readTextFile(dir.filePath(QStringLiteral("qirva.ini"))), ini);
    }

    void libraryModeWithoutPathUsesTheProgramFolder()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        makeAlbum(dir.path(), QStringLiteral("a"), 1);
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")), "[Setting]\nMode=1\n");
        TMainForm form(dir.path());
        QCOMPARE(form.LoadSetPath, dir.path() + QLatin1Char('/'));
        QCOMPARE(form.Tree.count(), 2);
    }

    void modeKeepsOnlyItsLowBitsAndIntervalsReadHex()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("lib"));
        QDir().mkpath(library);
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")),
                      "[Setting]\nMode=256\nSLISetInte=0x1E\nLoadSetPath=" + library.toUtf8() +
                          "\n[Form]\nTop=-10\nLeft=12\n");
        TMainForm form(dir.path());
        QCOMPARE(form.Mode, quint8(0));
        QCOMPARE(form.SLISetInte, 30);
        QCOMPARE(form.SlideTimer->interval(), 3000);
        QCOMPARE(form.pos(), QPoint(12, -10)); // applied as read: the title bar is on the screen
        QVERIFY(desktop.events.isEmpty());
    }

    void strandedWindowStartsAtThePrimaryScreensCorner_data()
    {
        QTest::addColumn<QByteArray>("form");
        QTest::newRow("off every screen") << QByteArray("Top=99999999\nLeft=-99999999\n");
        QTest::newRow("range ends") << QByteArray("Top=0x7FFFFFFF\nLeft=$80000000\n");
        QTest::newRow("above the screen") << QByteArray("Top=-4000\nLeft=12\n");
    }
    void strandedWindowStartsAtThePrimaryScreensCorner()
    {
        QFETCH(QByteArray, form);
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("lib"));
        QDir().mkpath(library);
        const QString ini = dir.filePath(QStringLiteral("qirva.ini"));
        writeTextFile(ini, "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n[Form]\n" + form);
        TMainForm window(dir.path());
        const QPoint corner = QGuiApplication::primaryScreen()->geometry().topLeft();
        QCOMPARE(window.pos(), corner);
        window.FormDestroy();
        const QByteArray written = readTextFile(ini);
        QVERIFY(written.contains("Top=" + QByteArray::number(corner.y()) + "\n"));
        QVERIFY(written.contains("Left=" + QByteArray::number(corner.x()) + "\n"));
    }

    void failedWriteBackReportsThePathAndKeepsNothingHalfWritten()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        auto form = openOn(dir, {});
        // The settings file's place is taken by a folder: nothing can be written there.
        const QString ini = dir.filePath(QStringLiteral("qirva.ini"));
        QFile::remove(ini);
        QDir().mkpath(ini);
        try {
            form->FormDestroy();
            QFAIL("the write-back did not fail");
        } catch (const QirvaError& error) {
            QCOMPARE(error.text(), ini + QStringLiteral(" に書き込めません"));
        }
        QVERIFY(QFileInfo(ini).isDir());
    }

    void scanErrorIsReportedAndTheWindowStillOpens()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("lib"));
        makeAlbum(library, QStringLiteral("a"), 2);
        writeTestJpeg(library + QStringLiteral("/b/x.jpg"), 64, 48);
        vanishWhenSized("x.jpg"); // listed, then gone before its size is read
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")),
                      "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
        TMainForm form(dir.path());
        QCOMPARE(desktop.messages.size(), size_t(1));
        QCOMPARE(desktop.messages[0].text, QStringLiteral("ファイルが見つかりません."));
        QCOMPARE(form.Tree.count(), 3); // album a and its 2 photos; b had none added
        QVERIFY(!form.mAllSlideShow->isEnabled()); // the rest of start-up is skipped
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
