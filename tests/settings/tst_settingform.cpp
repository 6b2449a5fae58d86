#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/TEllipsisEdit.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "output/ApplicationPrinter.h"
#include "platform/LoopTimer.h"
#include "settings/TSettingForm.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

namespace {

// A main window on a library "lib" of albums with the given photo counts, from the given
// extra settings-file lines.
struct Setup
{
    QTemporaryDir dir;
    QString library;
    std::unique_ptr<TMainForm> form;

    explicit Setup(const QList<int>& albums, const QByteArray& extra = {})
    {
        library = makeLibrary(QStringLiteral("lib"), albums);
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")),
                      "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n" + extra);
        form = std::make_unique<TMainForm>(dir.path());
    }

    QString makeLibrary(const QString& name, const QList<int>& albums)
    {
        const QString root = dir.filePath(name);
        QDir().mkpath(root);
        for (int i = 0; i < albums.size(); ++i)
            makeAlbum(root, QStringLiteral("a%1").arg(i), albums[i]);
        return root;
    }

    void showPhoto(int flat)
    {
        form->TreeView->setCurrentIndex(form->TreeModel->indexOfNode(flat));
        form->TreeViewDblClick();
    }
};

void click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestSettingForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void pagesHoldEveryControlInTabOrder()
    {
        ScriptedDesktop desktop;
        Setup setup({1});
        TSettingForm dialog(*setup.form);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("設定"));
        QCOMPARE(dialog.size(), QSize(484, 366));
        QCOMPARE(dialog.PageControl1->count(), 2);
        QCOMPARE(dialog.PageControl1->tabText(0), QStringLiteral("設定"));
        QCOMPARE(dialog.PageControl1->tabText(1), QStringLiteral("印刷"));
        QCOMPARE(dialog.PageControl1->currentIndex(), 0);

        QCOMPARE(dialog.PageControl1->geometry(), QRect(16, 16, 457, 313));
        QCOMPARE(dialog.Button1->geometry(), QRect(304, 336, 75, 25));
        // Every control lies wholly inside its page.
        for (QWidget* page : {dialog.TabSheet1, dialog.TabSheet2})
            for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                QVERIFY2(page->rect().contains(child->geometry()), qPrintable(child->objectName()));

        // The tab order of the first page, then the two buttons.
        dialog.LoadEllipsisEdit->setFocus();
        QStringList order;
        for (int i = 0; i < 7; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(' '),
                 QStringLiteral("LoadEllipsisEdit TimeTrackBar FileSizeViewCheckBox "
                                "SlideLoopCheckBox IncrementalItem0 Button1 Button2"));
    }

    void opensFromTheMainWindowFieldsWithTheTrackBarHeldInRange()
    {
        ScriptedDesktop desktop;
        Setup setup({1}, "SLISetInte=5000\nIncremental=1\nSlideLoop=1\nFileSizeView=0\n"
                         "[Printer]\nAllAdjust=0\nAutoOrientation=1\n");
        TSettingForm dialog(*setup.form);
        QCOMPARE(dialog.LoadEllipsisEdit->text(), setup.library);
        QVERIFY(dialog.LoadEllipsisEdit->isReadOnly());
        QVERIFY(dialog.LoadEllipsisEdit->isEnabled());
        QCOMPARE(dialog.TimeTrackBar->value(), 1200);
        QCOMPARE(dialog.Label5->text(), QStringLiteral("120000ミリ秒"));
        QCOMPARE(dialog.incrementalItemIndex(), 1);
        QVERIFY(dialog.SlideLoopCheckBox->isChecked());
        QVERIFY(!dialog.FileSizeViewCheckBox->isChecked());
        QVERIFY(!dialog.AllAdjustPrint->isChecked());
        QVERIFY(!dialog.AllAdjustPrint->isEnabled());
        QVERIFY(dialog.AutoOrientationPrint->isChecked());
        QVERIFY(!dialog.AutoOrientationPrint->isEnabled());

        setup.form->SLISetInte = -7;
        TSettingForm low(*setup.form);
        QCOMPARE(low.TimeTrackBar->value(), 0);
        QCOMPARE(low.Label5->text(), QStringLiteral("0ミリ秒"));
    }

    void okStoresTheHeldIntervalWhileCancelKeepsTheFileValue()
    {
        ScriptedDesktop desktop;
        Setup setup({1}, "SLISetInte=5000\n");
        {
            TSettingForm dialog(*setup.form);
            click(dialog.Button2);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(setup.form->SLISetInte, 5000);
        QCOMPARE(setup.form->SlideTimer->interval(), 500000);
        {
            TSettingForm dialog(*setup.form);
            click(dialog.Button1);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(setup.form->SLISetInte, 1200);
        QCOMPARE(setup.form->SlideTimer->interval(), 120000);
        {
            // Position 0: an interval of 0 ms, with which the slide timer never fires.
            TSettingForm dialog(*setup.form);
            dialog.TimeTrackBar->setValue(0);
            click(dialog.Button1);
        }
        QCOMPARE(setup.form->SLISetInte, 0);
        QCOMPARE(setup.form->SlideTimer->interval(), 0);
    }

    void trackBarKeysMoveOneOrFivePositions()
    {
        ScriptedDesktop desktop;
        Setup setup({1});
        TSettingForm dialog(*setup.form);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSlider* bar = dialog.TimeTrackBar;
        bar->setFocus();
        QCOMPARE(bar->value(), 50);
        const QList<std::pair<Qt::Key, int>> steps = {
            {Qt::Key_Right, 51}, {Qt::Key_Left, 50},   {Qt::Key_Left, 49},    {Qt::Key_Up, 49},
            {Qt::Key_Down, 49},  {Qt::Key_PageUp, 54}, {Qt::Key_PageDown, 49}};
        for (const auto& [key, expected] : steps) {
            QTest::keyClick(bar, key);
            QCOMPARE(bar->value(), expected);
        }
        QCOMPARE(dialog.Label5->text(), QStringLiteral("4900ミリ秒"));
        // The thumb is 15 pixels long across the track.
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        option.tickPosition = bar->tickPosition();
        option.tickInterval = bar->tickInterval();
        option.subControls = QStyle::SC_SliderHandle;
        QCOMPARE(bar->style()
                     ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar)
                     .height(),
                 15);
        bar->setValue(1200);
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->value(), 1200);
    }

    void folderBoxIsFixedInLibraryModeAndIgnoredInOtherModes()
    {
        ScriptedDesktop desktop;
        {
            Setup setup({1}, "Mode=1\n");
            const QString before = setup.form->LoadSetPath;
            TSettingForm dialog(*setup.form);
            QVERIFY(!dialog.LoadEllipsisEdit->isEnabled());
            QVERIFY(!dialog.LoadEllipsisEdit->findChild<QToolButton*>()->isEnabled());
            click(dialog.Button1);
            QCOMPARE(setup.form->LoadSetPath, before);
        }
        {
            Setup setup({1}, "Mode=2\n");
            const QString before = setup.form->LoadSetPath;
            const QString other = setup.makeLibrary(QStringLiteral("other"), {3});
            TSettingForm dialog(*setup.form);
            QVERIFY(dialog.LoadEllipsisEdit->isEnabled());
            desktop.nextFolders << other;
            click(dialog.LoadEllipsisEdit->findChild<QToolButton*>());
            QCOMPARE(dialog.LoadEllipsisEdit->text(), other);
            click(dialog.Button1);
            QCOMPARE(setup.form->LoadSetPath, before);
        }
    }

    void okRebuildsTheTreeOnlyWhenTheFolderTextChanged()
    {
        ScriptedDesktop desktop;
        Setup setup({2});
        setup.form->Folder1->trigger(); // the Image menu's slide-show items show with the panel
        QCOMPARE(setup.form->Tree.count(), 3);
        QVERIFY(setup.form->mAllSlideShow->isEnabled());
        // An album added behind the program's back shows only after a rebuild.
        makeAlbum(setup.library, QStringLiteral("late"), 1);
        {
            TSettingForm dialog(*setup.form);
            click(dialog.Button1);
        }
        QCOMPARE(setup.form->Tree.count(), 3);

        // A cancelled browse keeps the text; a double-click browses too.
        const QString small = setup.makeLibrary(QStringLiteral("small"), {1});
        {
            TSettingForm dialog(*setup.form);
            desktop.nextFolders << QString();
            click(dialog.LoadEllipsisEdit->findChild<QToolButton*>());
            QCOMPARE(dialog.LoadEllipsisEdit->text(), setup.library);
            desktop.nextFolders << small;
            QTest::mouseDClick(dialog.LoadEllipsisEdit, Qt::LeftButton, {}, QPoint(10, 10));
            QCOMPARE(dialog.LoadEllipsisEdit->text(), small);
            QCOMPARE(desktop.browsePrompts.last(),
                     QStringLiteral("Pictavaultの保存先を指定してください"));
            QCOMPARE(setup.form->LoadSetPath, setup.library); // nothing until OK
            click(dialog.Button1);
        }
        QCOMPARE(setup.form->LoadSetPath, small);
        QCOMPARE(setup.form->Tree.count(), 2);
        QVERIFY(!setup.form->mAllSlideShow->isEnabled());
        QVERIFY(!setup.form->pAllSlideShow->isEnabled());

        // The comparison is exact: a trailing "/" is another text, and rebuilds.
        {
            TSettingForm dialog(*setup.form);
            dialog.LoadEllipsisEdit->setText(setup.library + QLatin1Char('/'));
            click(dialog.Button1);
        }
        QCOMPARE(setup.form->Tree.count(), 5);
        QVERIFY(setup.form->mAllSlideShow->isEnabled());
        QVERIFY(setup.form->pAllSlideShow->isEnabled());
    }

    void photoOnShowOutlivesARebuildToASmallerLibrary()
    {
        ScriptedDesktop desktop;
        Setup setup({4, 4});
        TMainForm& form = *setup.form;
        setup.showPhoto(8); // the third photo of the second album
        const QString name = form.StatusBar1->panelText(1);
        const QString small = setup.makeLibrary(QStringLiteral("small"), {1});
        {
            TSettingForm dialog(form);
            dialog.LoadEllipsisEdit->setText(small);
            click(dialog.Button1);
        }
        QCOMPARE(form.Tree.count(), 2);
        QCOMPARE(form.CurrentNodeIndex, 8);
        QCOMPARE(form.StatusBar1->panelText(1), name);
        QVERIFY(form.NextToolBtn->isEnabled());
        // The index no longer fits the tree: stepping reports it and changes nothing.
        click(form.NextToolBtn);
        QCOMPARE(form.CurrentNodeIndex, 8);
        QCOMPARE(desktop.messages.size(), size_t(1));
        QCOMPARE(desktop.messages[0].text, QStringLiteral("不正なインデックス."));
    }

    void defaultsRestoreOnlyIntervalSizeUnitAndDisplay()
    {
        ScriptedDesktop desktop;
        Setup setup({1});
        TSettingForm dialog(*setup.form);
        dialog.TimeTrackBar->setValue(300);
        dialog.FileSizeViewCheckBox->setChecked(false);
        dialog.setIncrementalItemIndex(1);
        dialog.SlideLoopCheckBox->setChecked(true);
        dialog.LoadEllipsisEdit->setText(QStringLiteral("/elsewhere"));
        dialog.AutoOrientationPrint->setChecked(false);
        click(dialog.SpeedButton2);
        QCOMPARE(dialog.TimeTrackBar->value(), 50);
        QCOMPARE(dialog.Label5->text(), QStringLiteral("5000ミリ秒"));
        QVERIFY(dialog.FileSizeViewCheckBox->isChecked());
        QCOMPARE(dialog.incrementalItemIndex(), 0);
        QVERIFY(dialog.SlideLoopCheckBox->isChecked());
        QCOMPARE(dialog.LoadEllipsisEdit->text(), QStringLiteral("/elsewhere"));
        QVERIFY(!dialog.AutoOrientationPrint->isChecked());
        QVERIFY(dialog.AllAdjustPrint->isChecked());
    }

    void okAppliesEveryChoiceWhereItTakesEffect()
    {
        ScriptedDesktop desktop;
        Setup setup({2}, "[Printer]\nAllAdjust=0\n");
        TMainForm& form = *setup.form;
        setup.showPhoto(1);
        const QString kilobyteText = form.StatusBar1->panelText(2);
        QVERIFY(!kilobyteText.endsWith(QStringLiteral("Byte")));
        {
            TSettingForm dialog(form);
            QVERIFY(!dialog.AutoOrientationPrint->isEnabled());
            dialog.TimeTrackBar->setValue(30);
            dialog.SlideLoopCheckBox->setChecked(true);
            dialog.setIncrementalItemIndex(1);
            dialog.FileSizeViewCheckBox->setChecked(false);
            click(dialog.Button1);
        }
        QCOMPARE(form.SLISetInte, 30);
        QCOMPARE(form.SlideTimer->interval(), 3000);
        QVERIFY(form.SlideLoop);
        QVERIFY(form.Incremental);
        QVERIFY(form.Image1->incrementalDisplay());
        QVERIFY(!form.FileSizeView);
        QVERIFY(!form.AllAdjust); // the print-all box cannot change it
        QVERIFY(form.AutoOrientation);
        // The size unit shows with the next photo; the status bar is not rewritten now.
        QCOMPARE(form.StatusBar1->panelText(2), kilobyteText);
        setup.showPhoto(2);
        QVERIFY(form.StatusBar1->panelText(2).endsWith(QStringLiteral("Byte")));
    }

    void cancelAndTheCloseBoxApplyNothingButThePrinterSetup()
    {
        ScriptedDesktop desktop;
        Setup setup({1});
        TMainForm& form = *setup.form;
        applicationPrinter().setPageOrientation(QPageLayout::Portrait);
        desktop.printerChoice = [](QPrinter& printer) {
            printer.setPageOrientation(QPageLayout::Landscape);
        };
        {
            TSettingForm dialog(form);
            dialog.TimeTrackBar->setValue(7);
            dialog.SlideLoopCheckBox->setChecked(true);
            dialog.PageControl1->setCurrentIndex(1);
            click(dialog.SpeedButton1);
            QCOMPARE(desktop.events.last(), QStringLiteral("printer-setup"));
            click(dialog.Button2);
        }
        QCOMPARE(applicationPrinter().pageLayout().orientation(), QPageLayout::Landscape);
        {
            TSettingForm dialog(form);
            dialog.TimeTrackBar->setValue(7);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.close();
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(form.SLISetInte, 50);
        QVERIFY(!form.SlideLoop);
        applicationPrinter().setPageOrientation(QPageLayout::Portrait);
    }

    void enterAndEscapePressNeitherButton()
    {
        ScriptedDesktop desktop;
        Setup setup({1});
        TSettingForm dialog(*setup.form);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (QWidget* target : {static_cast<QWidget*>(dialog.LoadEllipsisEdit),
                                static_cast<QWidget*>(dialog.SlideLoopCheckBox)}) {
            target->setFocus();
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(target, key);
                QVERIFY(dialog.isVisible());
            }
        }
        QVERIFY(!dialog.Button1->isDefault());
        QVERIFY(!dialog.Button2->isDefault());
        QCOMPARE(setup.form->SLISetInte, 50);
    }

    void settingCommandStopsAutoAdvanceAndOpensAFreshDialog()
    {
        ScriptedDesktop desktop;
        Setup setup({3});
        TMainForm& form = *setup.form;
        setup.showPhoto(1);
        QVERIFY(form.AutoNextToolBtn->isEnabled());
        click(form.AutoNextToolBtn);
        QVERIFY(form.SlideTimer->isEnabled());

        QList<QPointer<TSettingForm>> seen;
        bool stoppedFirst = false;
        bool startedFromFields = true;
        int position = 20;
        desktop.dialog = [&](QDialog& shown) {
            auto* dialog = qobject_cast<TSettingForm*>(&shown);
            seen << dialog;
            stoppedFirst = !form.AutoNextToolBtn->isChecked() && !form.SlideTimer->isEnabled();
            startedFromFields = startedFromFields && dialog->TimeTrackBar->value() == form.SLISetInte;
            dialog->TimeTrackBar->setValue(position);
            click(dialog->Button1);
            return dialog->result();
        };
        click(form.SettingToolBtn);
        QVERIFY(stoppedFirst);
        QCOMPARE(form.SLISetInte, 20);
        position = 40;
        form.N22->trigger();
        QCOMPARE(form.SLISetInte, 40);
        QCOMPARE(seen.size(), 2);
        QVERIFY(startedFromFields);
        // Each dialog was destroyed when it closed.
        QVERIFY(seen[0].isNull() && seen[1].isNull());
        QCOMPARE(desktop.dialogs, QStringList({"SettingForm", "SettingForm"}));
    }

    void assistiveTechnologyDrivesTheControls()
    {
        ScriptedDesktop desktop;
        Setup setup({1});
        TSettingForm dialog(*setup.form);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QAccessibleInterface* loop =
            QAccessible::queryAccessibleInterface(dialog.SlideLoopCheckBox);
        loop->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(dialog.SlideLoopCheckBox->isChecked());
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(dialog.TimeTrackBar);
        QCOMPARE(bar->text(QAccessible::Name), QStringLiteral("スライドショー間隔"));
        bar->valueInterface()->setCurrentValue(75);
        QCOMPARE(dialog.Label5->text(), QStringLiteral("7500ミリ秒"));
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(dialog.LoadEllipsisEdit);
        QCOMPARE(box->text(QAccessible::Name), QStringLiteral("Pictavault保存先"));
        QAccessibleInterface* ok = QAccessible::queryAccessibleInterface(dialog.Button1);
        ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!dialog.isVisible());
        QVERIFY(setup.form->SlideLoop);
        QCOMPARE(setup.form->SLISetInte, 75);
    }
};

QTEST_MAIN(TestSettingForm)
#include "tst_settingform.moc"
