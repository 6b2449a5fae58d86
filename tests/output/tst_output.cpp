#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "library/FolderTreeView.h"
#include "output/ApplicationPrinter.h"
#include "output/PrintGeometry.h"
#include "platform/LoopTimer.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

namespace {

const QColor kInk(30, 60, 150);

// A window in normal mode on a library of the given albums, each holding photos of the
// given sizes (p1.jpg, p2.jpg, ...).
struct Viewer
{
    QTemporaryDir dir;
    QString library;
    std::unique_ptr<TMainForm> form;

    explicit Viewer(const QList<QPair<QString, QList<QSize>>>& albums, bool solid = false)
    {
        library = dir.filePath(QStringLiteral("lib"));
        for (const auto& [name, photos] : albums)
            for (int i = 0; i < photos.size(); ++i) {
                const QString path = library + QStringLiteral("/%1/p%2.jpg").arg(name).arg(i + 1);
                if (solid) {
                    QImage image(photos[i], QImage::Format_RGB32);
                    image.fill(kInk);
                    QDir().mkpath(QFileInfo(path).absolutePath());
                    if (!JpegWriter::write(image, path))
                        qFatal("cannot write %s", qPrintable(path));
                } else {
                    writeTestJpeg(path, photos[i].width(), photos[i].height(), unsigned(i + 1));
                }
            }
    }

    TMainForm& open(const QByteArray& extraSettings = {})
    {
        form = showMainWindow(dir.path(),
                              "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n" + extraSettings);
        return *form;
    }

    // Opens the photo node as a double-click does, with no paint in between.
    void openPhoto(int flat)
    {
        form->TreeView->selectNode(flat);
        form->TreeViewDblClick();
    }

    void startAutoAdvance()
    {
        QTest::mouseClick(form->AutoNextToolBtn, Qt::LeftButton);
        if (!form->AutoNextToolBtn->isChecked() || !form->SlideTimer->isEnabled())
            qFatal("automatic advance did not start");
    }

    bool autoAdvanceRuns() const
    {
        return form->AutoNextToolBtn->isChecked() && form->SlideTimer->isEnabled();
    }
};

// The bounding box of the inked (non-white) pixels.
QRect inkedArea(const QImage& page)
{
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() < 200 || c.green() < 200 || c.blue() < 200)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

bool near(const QRect& a, const QRect& b, int slack)
{
    return qAbs(a.left() - b.left()) <= slack && qAbs(a.top() - b.top()) <= slack &&
           qAbs(a.right() - b.right()) <= slack && qAbs(a.bottom() - b.bottom()) <= slack;
}

QString describe(const QRect& r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Sets the printer up as a PDF file on A4 with known margins, portrait.
void printToPdf(QPrinter& printer, const QString& file, int copies = 1)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setFullPage(false);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(10, 15, 10, 15), QPageLayout::Millimeter);
    printer.setCopyCount(copies);
}

} // namespace

class TestOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TMainForm::initApplication(*qApp);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QFAIL("pdftoppm (poppler-utils) is needed: run scripts/install-deps.sh");
    }

    void printsTheWholePhotoFittedToThePrintableArea()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(400, 300), QSize(300, 300)}}}, true);
        TMainForm& f = v.open();
        v.openPhoto(1);
        // Zoomed and scrolled, not yet painted: neither reaches the paper.
        f.ZoomInToolBtnClick();
        QVERIFY(!f.Image1->picture()->isDecoded());

        QPrinter& printer = applicationPrinter();
        const QString pdf = v.dir.filePath(QStringLiteral("landscape.pdf"));
        desktop.printDialog = [&](QPrinter& p) {
            printToPdf(p, pdf);
            return true;
        };
        QTest::mouseClick(f.PrintToolBtn, Qt::LeftButton);
        QCOMPARE(desktop.printDialogs, 1);
        QVERIFY2(desktop.messages.empty(),
                 desktop.messages.empty() ? "" : qPrintable(desktop.messages[0].text));
        QCOMPARE(printer.docName(), v.library + QStringLiteral("a0p1.jpg"));

        // The wider photo turned the paper; it fills the printable height, centred across.
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        const int dpi = 40;
        const QImage page = rasterise(pdf, dpi);
        QVERIFY(!page.isNull());
        QVERIFY(page.width() > page.height());
        const QRect printable = printer.pageRect(QPrinter::DevicePixel).toRect();
        const PageRect fit = FitToPage(printable.width(), printable.height(), 400, 300);
        QCOMPARE(fit.top, 0);
        QVERIFY(fit.left > 0);
        const double k = double(dpi) / printer.resolution();
        const QRect onPaper = fit.rect().translated(printable.topLeft());
        const QRect expected(qRound(onPaper.x() * k), qRound(onPaper.y() * k),
                             qRound(onPaper.width() * k), qRound(onPaper.height() * k));
        const QRect found = inkedArea(page);
        QVERIFY2(near(found, expected, 2),
                 qPrintable(describe(found) + QStringLiteral(" vs ") + describe(expected)));
        const QColor middle = page.pixelColor(found.center());
        QVERIFY(qAbs(middle.blue() - kInk.blue()) < 16 && qAbs(middle.red() - kInk.red()) < 16);

        // A square photo prints portrait, filling the width.
        f.NextToolBtnClick(CommandOrigin::Control);
        const QString squarePdf = v.dir.filePath(QStringLiteral("square.pdf"));
        desktop.printDialog = [&](QPrinter& p) {
            printToPdf(p, squarePdf);
            p.setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        f.mPrint->trigger();
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);
        const QImage squarePage = rasterise(squarePdf, dpi);
        QVERIFY(squarePage.height() > squarePage.width());
        const QRect square = inkedArea(squarePage);
        const QRect portrait = printer.pageRect(QPrinter::DevicePixel).toRect();
        QVERIFY(qAbs(square.width() - square.height()) <= 2);
        QVERIFY(qAbs(square.left() - qRound(portrait.left() * k)) <= 2);
        QVERIFY(qAbs(square.width() - qRound(portrait.width() * k)) <= 2);
    }

    void withoutAutomaticOrientationTheChosenOrientationStays()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(400, 300)}}}, true);
        TMainForm& f = v.open("[Printer]\nAutoOrientation=0\n");
        v.openPhoto(1);
        const QString pdf = v.dir.filePath(QStringLiteral("portrait.pdf"));
        desktop.printDialog = [&](QPrinter& p) {
            printToPdf(p, pdf);
            return true;
        };
        f.PrintToolBtnClick();
        QCOMPARE(applicationPrinter().pageLayout().orientation(), QPageLayout::Portrait);
        const QImage page = rasterise(pdf, 30);
        QVERIFY(page.height() > page.width());
        // Fills the width, centred down the page.
        const QRect found = inkedArea(page);
        QVERIFY(found.top() > page.height() / 4 && found.bottom() < page.height() * 3 / 4);
    }

    void eachCopyIsAPageHoldingThePhoto()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(400, 300)}}}, true);
        TMainForm& f = v.open();
        v.openPhoto(1);
        const QString pdf = v.dir.filePath(QStringLiteral("copies.pdf"));
        desktop.printDialog = [&](QPrinter& p) {
            printToPdf(p, pdf, 2);
            return true;
        };
        f.PrintToolBtnClick();
        QVERIFY(desktop.messages.empty());
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY(info.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
        QCOMPARE(inkedArea(rasterise(pdf, 20, 2)), inkedArea(rasterise(pdf, 20, 1)));
        QVERIFY(!inkedArea(rasterise(pdf, 20, 2)).isEmpty());
    }

    void cancelledPrintStillStopsAutomaticAdvance()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(64, 48), QSize(64, 48)}}});
        TMainForm& f = v.open();
        v.openPhoto(1);
        v.startAutoAdvance();
        applicationPrinter().setDocName(QStringLiteral("before"));
        f.mPrint->trigger(); // no answer scripted: the dialog is cancelled
        QCOMPARE(desktop.printDialogs, 1);
        QVERIFY(!v.autoAdvanceRuns());
        QCOMPARE(applicationPrinter().docName(), QStringLiteral("before"));
        QVERIFY(desktop.messages.empty());
    }

    void printerThatCannotBeginIsReportedAndTheNextPrintWorks()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(64, 48)}}}, true);
        TMainForm& f = v.open();
        v.openPhoto(1);
        const QString nowhere = v.dir.filePath(QStringLiteral("missing/folder/out.pdf"));
        desktop.printDialog = [&](QPrinter& p) {
            printToPdf(p, nowhere);
            return true;
        };
        QTest::mouseClick(f.PrintToolBtn, Qt::LeftButton);
        QCOMPARE(int(desktop.messages.size()), 1);
        QCOMPARE(desktop.messages[0].title, QStringLiteral("QIRVA"));
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(desktop.messages[0].text,
                 QStringLiteral("プリンタ %1 で印刷を開始できません.").arg(nowhere));
        QVERIFY(!QFileInfo::exists(nowhere));

        const QString pdf = v.dir.filePath(QStringLiteral("after.pdf"));
        desktop.printDialog = [&](QPrinter& p) {
            printToPdf(p, pdf);
            return true;
        };
        QTest::mouseClick(f.PrintToolBtn, Qt::LeftButton);
        QCOMPARE(int(desktop.messages.size()), 1);
        QVERIFY(!inkedArea(rasterise(pdf, 20)).isEmpty());
    }

    void copyPutsTheFullSizePhotoOnTheClipboard()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(640, 480), QSize(64, 48)}}});
        TMainForm& f = v.open();
        QClipboard* clipboard = QGuiApplication::clipboard();

        // Nothing on display: the clipboard keeps what it had.
        clipboard->setText(QStringLiteral("keep"));
        f.ClipCopyToolBtnClick();
        QCOMPARE(clipboard->text(), QStringLiteral("keep"));

        v.openPhoto(1);
        f.ZoomInToolBtnClick();
        f.ZoomInToolBtnClick();
        QVERIFY(f.Image1->width() > 640);
        f.mClipCopy->trigger();
        const QImage copied = clipboard->image();
        QCOMPARE(copied.size(), QSize(640, 480));
        const QImage& shown = f.Image1->picture()->image();
        for (const QPoint at : {QPoint(0, 0), QPoint(320, 240), QPoint(639, 479)})
            QCOMPARE(copied.pixel(at), shown.pixel(at));

        // Fitted to a smaller window: still the natural size.
        QTest::mouseClick(f.FitWinToolBtn, Qt::LeftButton);
        QVERIFY(f.Image1->width() < 640);
        clipboard->clear();
        QTest::mouseClick(f.ClipCopyToolBtn, Qt::LeftButton);
        QCOMPARE(clipboard->image().size(), QSize(640, 480));
    }

    void everyCopyPathStopsAutomaticAdvance()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(64, 48), QSize(64, 48)}}});
        TMainForm& f = v.open();
        v.openPhoto(1);
        const std::vector<std::pair<const char*, std::function<void()>>> paths{
            {"button", [&] { QTest::mouseClick(f.ClipCopyToolBtn, Qt::LeftButton); }},
            {"menu", [&] { f.mClipCopy->trigger(); }},
            {"handler", [&] { f.ClipCopyToolBtnClick(); }},
            {"assistive press",
             [&] {
                 QAccessibleInterface* button =
                     QAccessible::queryAccessibleInterface(f.ClipCopyToolBtn);
                 button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
             }},
        };
        for (const auto& [name, run] : paths) {
            QGuiApplication::clipboard()->clear();
            v.startAutoAdvance();
            run();
            QVERIFY2(!v.autoAdvanceRuns(), name);
            QVERIFY2(QGuiApplication::clipboard()->image().size() == QSize(64, 48), name);
        }
    }

    void albumPageOpensWhenPresentAndIsSilentlySkippedOtherwise()
    {
        ScriptedDesktop desktop;
        const QList<QSize> two{QSize(64, 48), QSize(64, 48)};
        Viewer v({{QStringLiteral("a0"), two},
                  {QStringLiteral("b#1"), two},
                  {QStringLiteral("c"), two},
                  {QStringLiteral("d"), two}});
        writeTextFile(v.library + QStringLiteral("/a0/html/index.htm"), "<html></html>");
        writeTextFile(v.library + QStringLiteral("/b#1/html/index.htm"), "<html></html>");
        QDir().mkpath(v.library + QStringLiteral("/c/html/index.htm")); // a folder, no page
        TMainForm& f = v.open();

        v.openPhoto(1);
        QCOMPARE(f.AlbumPagePath(f.Tree.node(1).file),
                 v.library + QStringLiteral("/a0/html/index.htm"));
        QTest::mouseClick(f.IndexToolBtn, Qt::LeftButton);
        QCOMPARE(int(desktop.openedUrls.size()), 1);
        QCOMPARE(desktop.openedUrls[0].toLocalFile(),
                 v.library + QStringLiteral("/a0/html/index.htm"));

        // A '#' in the album's name stays part of the path.
        f.NextFolderClick(CommandOrigin::Control);
        f.mIndex->trigger();
        QCOMPARE(int(desktop.openedUrls.size()), 2);
        QCOMPARE(desktop.openedUrls[1].toLocalFile(),
                 v.library + QStringLiteral("/b#1/html/index.htm"));

        // No page file (a folder of that name, or nothing): nothing at all, but automatic
        // advance still ends.
        for (int album = 0; album < 2; ++album) {
            f.NextFolderClick(CommandOrigin::Control);
            v.startAutoAdvance();
            const int events = int(desktop.events.size());
            f.IndexToolBtnClick();
            QVERIFY(!v.autoAdvanceRuns());
            QCOMPARE(int(desktop.events.size()), events);
        }
        QCOMPARE(int(desktop.openedUrls.size()), 2);
        QCOMPARE(desktop.beeps, 0);
        QVERIFY(desktop.messages.empty());
    }

    void printAndAlbumPageDoNothingOnAnAlbumNodeAfterARebuild()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(64, 48), QSize(64, 48), QSize(64, 48)}}});
        TMainForm& f = v.open();
        v.openPhoto(2);
        // The settings dialog's rebuild from another library: index 2 is an album there.
        const QString other = v.dir.filePath(QStringLiteral("other"));
        makeAlbum(other, QStringLiteral("x"), 1);
        makeAlbum(other, QStringLiteral("y"), 1);
        writeTextFile(other + QStringLiteral("/html/index.htm"), "<html></html>");
        f.LoadSetPath = other;
        f.MakeFolderTree();
        QVERIFY(f.Tree.node(f.CurrentNodeIndex).isAlbum);
        desktop.printDialog = [](QPrinter&) { return true; };
        v.startAutoAdvance();
        f.mPrint->trigger();
        QVERIFY(!v.autoAdvanceRuns());
        f.mIndex->trigger();
        QCOMPARE(desktop.printDialogs, 0);
        QVERIFY(desktop.openedUrls.empty());
        QVERIFY(desktop.messages.empty());
    }

    void albumPageIsFoundUnderAnyLetterCase()
    {
        ScriptedDesktop desktop;
        const QList<QSize> two{QSize(64, 48), QSize(64, 48)};
        Viewer v({{QStringLiteral("a0"), two}, {QStringLiteral("a1"), two}});
        writeTextFile(v.library + QStringLiteral("/a0/HTML/Index.htm"), "<html></html>");
        writeTextFile(v.library + QStringLiteral("/a1/html/index.htm"), "<html></html>");
        writeTextFile(v.library + QStringLiteral("/a1/HTML/INDEX.HTM"), "<html></html>");
        TMainForm& f = v.open();
        v.openPhoto(1);
        f.IndexToolBtn->click();
        f.NextFolderClick(CommandOrigin::Control);
        f.IndexToolBtn->click(); // the exact spelling comes first
        QCOMPARE(int(desktop.openedUrls.size()), 2);
        QCOMPARE(desktop.openedUrls[0].toLocalFile(),
                 v.library + QStringLiteral("/a0/HTML/Index.htm"));
        QCOMPARE(desktop.openedUrls[1].toLocalFile(),
                 v.library + QStringLiteral("/a1/html/index.htm"));
    }

    void helpOpensTheHelpFileAndLeavesAutomaticAdvanceRunning()
    {
        ScriptedDesktop desktop;
        Viewer v({{QStringLiteral("a0"), {QSize(64, 48), QSize(64, 48)}}});
        TMainForm& f = v.open();
        v.openPhoto(1);
        v.startAutoAdvance();
        f.Help2->trigger();
        QVERIFY(v.autoAdvanceRuns());
        QCOMPARE(int(desktop.openedUrls.size()), 1);
        QCOMPARE(desktop.openedUrls[0],
                 QUrl::fromLocalFile(v.dir.path() + QStringLiteral("/Qirva.html")));
        // Missing file or not: nothing of the program's own.
        QVERIFY(desktop.messages.empty());
        QCOMPARE(desktop.beeps, 0);
    }
};

QTEST_MAIN(TestOutput)
#include "tst_output.moc"
