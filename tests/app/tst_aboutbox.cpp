#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrlQuery>

#include "app/TAboutBox.h"
#include "app/TMainForm.h"
#include "library/FolderTreeView.h"
#include "platform/LoopTimer.h"
#include "support/TestSupport.h"

class TestAboutBox : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void layoutAndTexts()
    {
        TAboutBox box;
        QCOMPARE(box.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(box.size(), QSize(298, 260));
        QCOMPARE(box.minimumSize(), box.maximumSize()); // not resizable
        QCOMPARE(box.font().pixelSize(), 12);

        QCOMPARE(box.Panel1->geometry(), QRect(8, 8, 281, 145));
        QCOMPARE(box.Panel2->geometry(), QRect(8, 160, 281, 57));
        QCOMPARE(box.ProgramIcon->geometry(), QRect(16, 16, 32, 32));
        QVERIFY(!box.ProgramIcon->pixmap().isNull());
        struct Text
        {
            QLabel* label;
            QPoint at;
            QString text;
        };
        for (const Text& t :
             {Text{box.ProductName,
                   {64, 16},
                   QStringLiteral("NORVO-Pictavault専用　Ｇｌａｎｃｅｒ")},
              Text{box.Version, {64, 40}, QStringLiteral("Ver0.5")},
              Text{box.DisclaimerHeading, {8, 88}, QStringLiteral("免責")},
              Text{box.Disclaimer1, {8, 104}, QStringLiteral("当ソフトで発生したいかなる障害も")},
              Text{box.Disclaimer2, {8, 120}, QStringLiteral("当方は一切責任を負いません")}}) {
            QCOMPARE(t.label->parentWidget(), box.Panel1);
            QCOMPARE(t.label->pos(), t.at);
            QCOMPARE(t.label->text(), t.text);
            // Whole within its panel, nothing cut off.
            QVERIFY2(box.Panel1->rect().contains(t.label->geometry()), qPrintable(t.text));
        }
        QCOMPARE(box.DisclaimerHeading->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(box.Bevel1->geometry(), QRect(8, 80, 265, 2));

        for (auto [link, at] : {std::pair{box.HomePageLink, QPoint(72, 8)},
                                std::pair{box.MailLink, QPoint(72, 32)}}) {
            QCOMPARE(link->parentWidget(), box.Panel2);
            QCOMPARE(link->pos(), at);
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(link->palette().color(QPalette::ButtonText), QColor(Qt::blue));
            QVERIFY(box.Panel2->rect().contains(link->geometry()));
        }
        QCOMPARE(box.OKButton->geometry(), QRect(111, 228, 75, 25));
        QCOMPARE(box.OKButton->text(), QStringLiteral("OK"));
        QVERIFY(box.OKButton->isDefault());
    }

    void linksOpenTheirAddressesAndTheBoxStaysOpen()
    {
        ScriptedDesktop desktop;
        TAboutBox box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.HomePageLink, Qt::LeftButton);
        QAccessibleInterface* mail = QAccessible::queryAccessibleInterface(box.MailLink);
        mail->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(int(desktop.openedUrls.size()), 2); // a pressed button clicks a moment later
        QVERIFY(box.isVisible());
        const QUrl home = desktop.openedUrls[0];
        QCOMPARE(home.scheme(), QStringLiteral("https"));
        QCOMPARE(home.host(), QStringLiteral("example.org"));
        const QUrl message = desktop.openedUrls[1];
        QCOMPARE(message.scheme(), QStringLiteral("mailto"));
        QVERIFY(message.path().endsWith(QStringLiteral("@example.org")));
        QVERIFY(QUrlQuery(message)
                    .queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded)
                    .contains(QStringLiteral("Ｇｌａｎｃｅｒ")));

        // Enter presses the default button.
        QTest::keyClick(&box, Qt::Key_Return);
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QVERIFY(!box.isVisible());
    }

    void aboutStopsAutomaticAdvanceAndOpensAFreshBoxEachTime()
    {
        ScriptedDesktop desktop;
        QTemporaryDir dir;
        const QString library = dir.filePath(QStringLiteral("lib"));
        makeAlbum(library, QStringLiteral("a0"), 2);
        writeTextFile(dir.filePath(QStringLiteral("qirva.ini")),
                      "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
        TMainForm f(dir.path());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.TreeView->selectNode(1);
        f.TreeViewDblClick();

        QStringList titles;
        bool advanceRanWhileShown = false;
        bool ownedByTheWindow = true;
        desktop.dialog = [&](QDialog& shown) {
            titles << shown.windowTitle();
            ownedByTheWindow = ownedByTheWindow && shown.parentWidget() == &f;
            advanceRanWhileShown = advanceRanWhileShown || f.AutoNextToolBtn->isChecked();
            shown.setWindowTitle(QStringLiteral("changed"));
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(f.AutoNextToolBtn, Qt::LeftButton);
        QVERIFY(f.SlideTimer->isEnabled());
        QTest::mouseClick(f.AboutToolBtn, Qt::LeftButton);
        QVERIFY(!f.AutoNextToolBtn->isChecked() && !f.SlideTimer->isEnabled());

        QTest::mouseClick(f.AutoNextToolBtn, Qt::LeftButton);
        f.About1->trigger();
        QVERIFY(!f.AutoNextToolBtn->isChecked() && !f.SlideTimer->isEnabled());

        QCOMPARE(desktop.dialogs,
                 QStringList({QStringLiteral("AboutBox"), QStringLiteral("AboutBox")}));
        QCOMPARE(titles,
                 QStringList({QStringLiteral("バージョン情報"), QStringLiteral("バージョン情報")}));
        QVERIFY(ownedByTheWindow && !advanceRanWhileShown);
        QVERIFY(f.findChildren<TAboutBox*>().isEmpty()); // gone once closed
    }

    void programIconIsTheWindowIcon()
    {
        const QIcon icon = QApplication::windowIcon();
        QVERIFY(!icon.isNull());
        const QImage small = icon.pixmap(32, 32).toImage();
        TAboutBox box;
        QCOMPARE(box.ProgramIcon->pixmap().toImage().convertToFormat(small.format()), small);
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
