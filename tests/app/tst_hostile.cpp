#include <QClipboard>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <map>

#include <jerror.h>
#include <unistd.h>

#include "HostileJpeg.h"
#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/TEllipsisEdit.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "platform/LoopTimer.h"
#include "settings/TSettingForm.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

namespace {

// As the general error report shows it, with its closing ".".
QString jpegError(int code)
{
    return QStringLiteral("JPEG エラー #%1.").arg(code);
}

QByteArray jpegBytes(const QString& scratch, JpegWriter::Kind kind, int width, int height)
{
    if (!JpegWriter::write(JpegWriter::photoLike(width, height, 9), scratch, kind))
        qFatal("cannot write %s", qPrintable(scratch));
    return readTextFile(scratch);
}

// Every file and folder below root with its checksum (folders: empty) and modification time.
std::map<QString, QString> snapshot(const QString& root)
{
    std::map<QString, QString> state;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        QString hash;
        if (info.isFile() && !info.isSymLink())
            hash = QCryptographicHash::hash(readTextFile(path), QCryptographicHash::Sha256).toHex();
        state[path] =
            hash + ' ' +
            QString::number(info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch());
    }
    return state;
}

// A window on one library folder (made by the test) in normal mode.
struct Viewer
{
    QTemporaryDir dir;
    QString library = dir.filePath(QStringLiteral("lib"));
    std::unique_ptr<TMainForm> form;

    TMainForm& open()
    {
        form = showMainWindow(dir.path(), "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
        return *form;
    }

    void doubleClickNode(int flat)
    {
        if (!form->FolderToolBtn->isChecked())
            QTest::mouseClick(form->FolderToolBtn, Qt::LeftButton);
        const QModelIndex index = form->TreeModel->indexOfNode(flat);
        if (index.parent().isValid())
            form->TreeView->expand(index.parent());
        form->TreeView->scrollTo(index);
        const QPoint at = form->TreeView->visualRect(index).center();
        QTest::mouseClick(form->TreeView->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(form->TreeView->viewport(), Qt::LeftButton, {}, at);
    }

    // Lets the pending paint decode the photo and any error report arrive.
    void settle()
    {
        QTRY_VERIFY(!form->Image1->hasPicture() || form->Image1->picture()->isDecoded() ||
                    !form->Image1->isVisible());
        QTest::qWait(20);
    }
};

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    // Every damaged or hostile photo gives its message or a sound display, and the next
    // photo still opens.
    void hostileCorpusThroughTheWindow()
    {
        ScriptedDesktop desktop;
        Viewer v;
        const QString album = v.library + "/album";
        QDir().mkpath(album);
        const QString scratch = v.dir.filePath("scratch.jpg");
        const QByteArray good = jpegBytes(scratch, JpegWriter::Kind::Baseline, 96, 64);

        // name -> the message expected, or empty for a photo that shows.
        std::vector<std::pair<QByteArray, QString>> cases = {
            {QByteArray(), jpegError(JERR_INPUT_EMPTY)},
            {"This is a text file, not a photo.\n", jpegError(JERR_NO_SOI)},
            {HostileJpeg::asTwelveBit(good), jpegError(JERR_BAD_PRECISION)},
            {jpegBytes(scratch, JpegWriter::Kind::Cmyk, 40, 30), QString()},
            {jpegBytes(scratch, JpegWriter::Kind::Grayscale, 40, 30), QString()},
            {jpegBytes(scratch, JpegWriter::Kind::Arithmetic, 40, 30), QString()},
            {HostileJpeg::corruptRestartMarkers(HostileJpeg::withRestartMarkers(64, 64)),
             QString()},
            {HostileJpeg::manyEmptyScans(64, 64, 3000), jpegError(1001)},
            {HostileJpeg::progressiveHeaderOnly(16000, 16000), jpegError(JERR_IMAGE_TOO_BIG)},
            {HostileJpeg::baselineHeaderOnly(65500, 65500), jpegError(JERR_IMAGE_TOO_BIG)},
        };
        // Truncated at offsets through the header and the scan: a message or a partial photo.
        for (const qsizetype at : {2, 20, 100, 200, 300, 400, 600, 1000})
            if (at < good.size())
                cases.emplace_back(good.left(at), QStringLiteral("*"));
        int n = 0;
        for (const auto& c : cases)
            writeTextFile(album + QStringLiteral("/h%1.jpg").arg(++n, 2, 10, QChar('0')), c.first);
        writeTextFile(album + "/z-last.jpg", good);

        TMainForm& f = v.open();
        for (int i = 0; i < int(cases.size()); ++i) {
            const size_t before = desktop.messages.size();
            v.doubleClickNode(i + 1);
            v.settle();
            // The messages of this step: the preview of the click (which may also finish the
            // decode of the preview it keeps) and the double-click's load and decode.
            QStringList texts;
            for (size_t m = before; m < desktop.messages.size(); ++m)
                texts << desktop.messages[m].text;
            const QString expected = cases[size_t(i)].second;
            if (expected == QStringLiteral("*")) {
                for (const QString& text : texts)
                    QVERIFY2(text.startsWith("JPEG エラー #"), qPrintable(text));
            } else if (expected.isEmpty()) {
                QVERIFY2(texts.isEmpty(), qPrintable(texts.join('|')));
            } else {
                QVERIFY2(texts.contains(expected), qPrintable(texts.join('|')));
            }
            QVERIFY2(texts.size() <= 3, qPrintable(texts.join('|')));
        }
        const size_t before = desktop.messages.size();
        v.doubleClickNode(int(cases.size()) + 1);
        v.settle();
        QCOMPARE(desktop.messages.size(), before);
        QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("z-last.jpg"));
        QCOMPARE(f.StatusBar1->panelText(3), QStringLiteral("96x64"));
        QVERIFY(f.Image1->picture()->isDecoded());
    }

    // Loops, odd names, huge albums and folders that change under the viewer never crash it,
    // and a photo gone since the scan gives its message.
    void libraryAbuse()
    {
        ScriptedDesktop desktop;
        Viewer v;
        const QString scratch = v.dir.filePath("scratch.jpg");
        const QByteArray photo = jpegBytes(scratch, JpegWriter::Kind::Baseline, 16, 16);
        const QString big = v.library + "/big";
        QDir().mkpath(big);
        for (int i = 0; i < 10000; ++i)
            writeTextFile(big + QStringLiteral("/p%1.jpg").arg(i, 5, 10, QChar('0')), photo);
        const QString odd = v.library + "/odd";
        writeTextFile(odd + "/ok.jpg", photo);
        // A name that is not UTF-8 (Latin-1 "é").
        const QByteArray latin1 = QFile::encodeName(odd) + "/caf\xe9.jpg";
        QVERIFY(::symlink("..", QFile::encodeName(odd + "/loop").constData()) == 0);
        FILE* f8 = std::fopen(latin1.constData(), "wb");
        QVERIFY(f8);
        std::fwrite(photo.constData(), 1, size_t(photo.size()), f8);
        std::fclose(f8);
        const QString shut = v.library + "/shut";
        writeTextFile(shut + "/p.jpg", photo);
        QFile::setPermissions(shut, QFileDevice::Permissions());
        const QString vanish = v.library + "/vanish";
        writeTextFile(vanish + "/p1.jpg", photo);
        writeTextFile(vanish + "/p2.jpg", photo);

        TMainForm& f = v.open();
        QFile::setPermissions(shut, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        QVERIFY(f.Tree.albumCount() >= 3);
        v.doubleClickNode(1);
        v.settle();
        QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("p00000.jpg"));
        QTest::mouseClick(f.NextToolBtn, Qt::LeftButton);
        v.settle();
        QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("p00001.jpg"));

        // The last album's photos: one removed, one replaced by a folder since the scan.
        const int nodes = f.Tree.count();
        QVERIFY(QFile::remove(vanish + "/p1.jpg"));
        QVERIFY(QFile::remove(vanish + "/p2.jpg"));
        QVERIFY(QDir().mkdir(vanish + "/p2.jpg"));
        v.doubleClickNode(nodes - 2);
        QTRY_VERIFY(!desktop.messages.empty());
        QCOMPARE(desktop.messages.back().text,
                 QStringLiteral("ファイル %1 は開けません.").arg(vanish + "/p1.jpg"));
        v.doubleClickNode(nodes - 1);
        QTRY_COMPARE(desktop.messages.back().text,
                     QStringLiteral("ファイル %1 は開けません.").arg(vanish + "/p2.jpg"));
        // The program goes on: the first photo still opens.
        v.doubleClickNode(1);
        v.settle();
        QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("p00000.jpg"));
        ::unlink(latin1.constData()); // Qt cannot name it to remove it with the folder
    }

    // A browsing session (open, step, zoom, fit, automatic advance, print to a file, copy, a
    // slide show, the settings dialog) reads the library and writes nothing there: every file
    // and folder keeps its bytes and its modification time.
    void browsingChangesNothingInTheLibrary()
    {
        ScriptedDesktop desktop;
        Viewer v;
        makeAlbum(v.library, "a0", 3, 120, 90);
        makeAlbum(v.library, "a1", 2, 120, 90);
        writeTextFile(v.library + "/a0/Preview/p1.jpg", readTextFile(v.library + "/a0/p2.jpg"));
        writeTextFile(v.library + "/a0/html/index.htm", "<html></html>\n");
        const auto before = snapshot(v.library);

        TMainForm& f = v.open();
        v.doubleClickNode(1);
        v.settle();
        for (QToolButton* button :
             {f.NextToolBtn, f.ZoomInToolBtn, f.ZoomInToolBtn, f.ZoomOutToolBtn, f.UnZoomToolBtn,
              f.FitWinToolBtn, f.FitWinToolBtn, f.NextToolBtn, f.PrevToolBtn}) {
            if (button->isEnabled())
                QTest::mouseClick(button, Qt::LeftButton);
            v.settle();
        }
        if (f.AutoNextToolBtn->isEnabled()) {
            QTest::mouseClick(f.AutoNextToolBtn, Qt::LeftButton);
            QTest::qWait(50);
            QTest::mouseClick(f.AutoNextToolBtn, Qt::LeftButton);
        }

        // Output: a print to a file beside the settings, and a copy.
        const QString pdf = v.dir.filePath(QStringLiteral("print.pdf"));
        desktop.printDialog = [&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        };
        QTest::mouseClick(f.PrintToolBtn, Qt::LeftButton);
        QVERIFY(QFileInfo(pdf).size() > 0);
        QTest::mouseClick(f.ClipCopyToolBtn, Qt::LeftButton);
        QVERIFY(!QGuiApplication::clipboard()->image().isNull());

        // An album slide show that runs to its end.
        f.SlideTimer->setInterval(10);
        QTest::mouseClick(f.FolderToolBtn, Qt::LeftButton);
        const QModelIndex album = f.TreeModel->indexOfNode(0);
        QTest::mouseClick(f.TreeView->viewport(), Qt::LeftButton, {},
                          f.TreeView->visualRect(album).center());
        f.mSlideShow->trigger();
        QVERIFY(f.AutoNextToolBtn->isChecked());
        QTRY_VERIFY(!f.AutoNextToolBtn->isChecked());
        QCOMPARE(f.CurrentNodeIndex, 3);

        // The settings dialog, accepted without a change (the tree is not rebuilt) and then
        // with the same folder typed again with a trailing slash (it is).
        for (const QString& typed : {v.library, v.library + QLatin1Char('/')}) {
            desktop.dialog = [&](QDialog& shown) {
                auto* dialog = qobject_cast<TSettingForm*>(&shown);
                dialog->LoadEllipsisEdit->setText(typed);
                dialog->Button1->click();
                return shown.result();
            };
            QTest::mouseClick(f.SettingToolBtn, Qt::LeftButton);
        }
        f.close();
        v.form.reset();
        QCOMPARE(snapshot(v.library), before);
        QVERIFY(desktop.messages.empty());
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
