// Photos as cameras, phones and Windows disks leave them: turned by an EXIF tag, named in
// Shift-JIS bytes, beside plain ones.
#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>

#include <sys/stat.h>

#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "library/FolderTreeView.h"
#include "output/ApplicationPrinter.h"
#include "output/PrintGeometry.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

namespace {

// 写真 ("photos") and 縦 ("portrait") as a Windows disk stores them.
const QByteArray kAlbumCp932("\x8e\xca\x90\x5e");
const QByteArray kPhotoCp932("\x8f\x63.jpg");

// Writes a JPEG under a name of any bytes (the writer itself takes text paths), by way of a
// scratch file in a folder of a plain name.
void writeJpegAt(const QByteArray& path, const QImage& image, int orientation,
                 const QString& scratchFolder)
{
    const QString scratch = scratchFolder + QStringLiteral("/scratch.jpg");
    if (!JpegWriter::write(image, scratch, JpegWriter::Kind::Baseline, 95, {orientation, {}, {}}) ||
        std::rename(QFile::encodeName(scratch).constData(), path.constData()) != 0)
        qFatal("cannot write %s", path.constData());
}

QImage grabbed(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestCameraFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void phonePortraitInAShiftJisAlbumShowsUprightEverywhere()
    {
        QTemporaryDir dir;
        // QTemporaryDir cannot remove names that are not valid UTF-8.
        auto cleanUp = qScopeGuard([&] { QProcess::execute("rm", {"-rf", dir.path()}); });
        const QString library = dir.filePath(QStringLiteral("lib"));
        const QByteArray album = QFile::encodeName(library) + '/' + kAlbumCp932;
        QVERIFY(QDir().mkpath(library + QStringLiteral("/Trip")));
        QVERIFY(QDir().mkpath(library + QStringLiteral("/旅行")));
        for (const QByteArray& folder : {album, album + "/Preview", album + "/html"})
            QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        // A phone's portrait: stored landscape, turned by its tag; its preview copy was written
        // without EXIF, in the stored shape.
        const QImage upright = cornerChart(QSize(64, 96));
        const QImage stored = storedFor(upright, 6);
        writeJpegAt(album + '/' + kPhotoCp932, stored, 6, dir.path());
        writeJpegAt(album + "/Preview/" + kPhotoCp932, stored.scaled(48, 32), 0, dir.path());
        writeTextFile(library + QStringLiteral("/page.htm"), "<html></html>");
        QVERIFY(std::rename((QFile::encodeName(library) + "/page.htm").constData(),
                            (album + "/html/index.htm").constData()) == 0);
        writeTestJpeg(library + QStringLiteral("/Trip/b.jpg"), 64, 48);
        writeTestJpeg(library + QStringLiteral("/旅行/a.jpg"), 64, 48);

        ScriptedDesktop desktop;
        const auto form = showMainWindow(dir.path(), "[Setting]\nLoadSetPath=" + library.toUtf8());
        TMainForm& f = *form;

        // Listed beside the UTF-8 names, shown decoded, sorted by the decoded name.
        QCOMPARE(f.Tree.count(), 6);
        QStringList albums;
        for (int i = 0; i < f.Tree.count(); ++i)
            if (f.Tree.node(i).isAlbum)
                albums << f.Tree.node(i).dir.DirName;
        QCOMPARE(albums, QStringList({"Trip", "写真", "旅行"}));
        const int photo = 3;
        QCOMPARE(f.Tree.node(photo).file.FileName, QStringLiteral("縦.jpg"));

        // The preview: its copy takes the photo's orientation.
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        f.TreeView->selectNode(photo);
        f.TreeViewClick();
        QVERIFY(desktop.messages.empty());
        QCOMPARE(QSize(f.Image2->pictureWidth(), f.Image2->pictureHeight()), QSize(32, 48));
        QString why;
        QVERIFY2(showsCornerChart(f.Image2->fullSizeImage(), 2, 32, &why), qPrintable(why));

        // Opened: upright at 100%, a zoom step and fitted; the status bar names it as shown.
        f.TreeViewDblClick();
        QVERIFY(desktop.messages.empty());
        QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("縦.jpg"));
        QCOMPARE(f.StatusBar1->panelText(3), QStringLiteral("64x96"));
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        QVERIFY2(showsCornerChart(grabbed(f.Image1), 4, 24, &why), qPrintable(why));
        f.ZoomOutToolBtnClick();
        QCOMPARE(f.Image1->size(), QSize(44, 67));
        QVERIFY2(showsCornerChart(grabbed(f.Image1), 3, 24, &why), qPrintable(why));
        QTest::mouseClick(f.FitWinToolBtn, Qt::LeftButton);
        QVERIFY(f.Image1->height() > 96);
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        QVERIFY2(showsCornerChart(grabbed(f.Image1), 8, 24, &why), qPrintable(why));

        // Copied upright at full size.
        f.ClipCopyToolBtnClick();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(64, 96));
        QVERIFY2(showsCornerChart(copied, 4, 24, &why), qPrintable(why));

        // Printed upright on portrait paper, titled with the names as shown.
        const QString pdf = dir.filePath(QStringLiteral("print.pdf"));
        desktop.printDialog = [&](QPrinter& p) {
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(pdf);
            p.setPageOrientation(QPageLayout::Landscape);
            return true;
        };
        f.PrintToolBtnClick();
        QVERIFY(desktop.messages.empty());
        QPrinter& printer = applicationPrinter();
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);
        QCOMPARE(printer.docName(), library + QStringLiteral("写真縦.jpg"));
        const QImage page = rasterise(pdf, 20);
        QVERIFY(!page.isNull());
        const QRect printable = printer.pageRect(QPrinter::DevicePixel).toRect();
        const QRect printed = FitToPage(printable.width(), printable.height(), 64, 96)
                                  .rect()
                                  .translated(printable.topLeft());
        const double k = 20.0 / printer.resolution();
        const QImage photoOnPaper =
            page.copy(QRect(qRound(printed.x() * k), qRound(printed.y() * k),
                            qRound(printed.width() * k), qRound(printed.height() * k)));
        QVERIFY2(showsCornerChart(photoOnPaper.convertToFormat(QImage::Format_RGB32), 6, 32, &why),
                 qPrintable(why));

        // The album page is opened through the bytes on disk.
        f.IndexToolBtnClick();
        QCOMPARE(desktop.openedUrls.size(), size_t(1));
        QCOMPARE(desktop.openedUrls[0].toEncoded(),
                 "file://" + (album + "/html/index.htm").toPercentEncoding("/"));
    }
};

QTEST_MAIN(TestCameraFiles)
#include "tst_camerafiles.moc"
