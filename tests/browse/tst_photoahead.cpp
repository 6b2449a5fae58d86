#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/TStatusProgressBar.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "platform/LoopTimer.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

namespace {

// A window on albums a0, a1, ... of the given counts of 640 x 480 photos p1.jpg ..., each photo
// of the library different from every other.
struct Viewer
{
    QTemporaryDir dir;
    QString library;
    std::unique_ptr<TMainForm> form;

    explicit Viewer(const QList<int>& albums)
    {
        library = dir.filePath(QStringLiteral("lib"));
        for (int a = 0; a < albums.size(); ++a)
            for (int p = 1; p <= albums[a]; ++p)
                writeTestJpeg(photo(a, p), 640, 480, unsigned(10 * a + p));
    }

    TMainForm& open(const QByteArray& settings = {})
    {
        form = showMainWindow(dir.path(),
                              "[Setting]\nLoadSetPath=" + library.toUtf8() + "\n" + settings);
        return *form;
    }

    QString photo(int album, int number) const
    {
        return library + QStringLiteral("/a%1/p%2.jpg").arg(album).arg(number);
    }

    // Selects the node as a click on it does, with the folder panel shown.
    void clickNode(int flat)
    {
        if (!form->FolderToolBtn->isChecked())
            form->FolderToolBtn->click();
        form->TreeView->selectNode(flat);
        form->TreeViewClick();
    }

    void openNode(int flat)
    {
        clickNode(flat);
        form->TreeViewDblClick();
    }
};

// Whether the picture on display came decoded: LoadPhoto gave Image1 a picture whose pixels
// were all there before the view could decode anything.
bool arrivedDecoded(const TMainForm& f)
{
    const JpegPicture* picture = f.Image1->picture();
    return picture && picture->isDecoded() && !picture->image().isNull() &&
           picture->decodedRows() == picture->image().height();
}

QImage decodedFresh(const QString& path)
{
    const auto picture = JpegPicture::load(path);
    if (!picture->decode().isEmpty())
        qFatal("cannot decode %s", qPrintable(path));
    return picture->image();
}

} // namespace

class TestPhotoAhead : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void steppingTakesTheNextPhotoDecodedAhead()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.openNode(1);
        QVERIFY(arrivedDecoded(f)); // decoded ahead since its click, for the double-click

        // Album 0 holds nodes 1-3, album 4 nodes 5 and 6: each step, also the one across the
        // albums, finds its photo decoded.
        const struct
        {
            int album, number;
            void (TMainForm::*step)(CommandOrigin);
            bool nextOn;
        } course[] = {{0, 2, &TMainForm::NextToolBtnClick, true},
                      {0, 3, &TMainForm::NextToolBtnClick, false},
                      {1, 1, &TMainForm::NextFolderClick, true},
                      {1, 2, &TMainForm::NextToolBtnClick, false}};
        for (const auto& step : course) {
            const QString path = v.photo(step.album, step.number);
            QTRY_COMPARE(f.ahead().path(), path);
            (f.*step.step)(CommandOrigin::Control);
            QVERIFY2(arrivedDecoded(f), qPrintable(path));
            QCOMPARE(f.Image1->picture()->image(), decodedFresh(path));
            QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("p%1.jpg").arg(step.number));
            // The stepping commands are as without the picture ahead.
            QCOMPARE(f.NextToolBtn->isEnabled(), step.nextOn);
            QCOMPARE(f.mLast->isEnabled(), step.nextOn);
            QCOMPARE(f.PrevToolBtn->isEnabled(), step.number > 1);
            QCOMPARE(f.mFirst->isEnabled(), step.number > 1);
            QCOMPARE(f.NextFolder->isEnabled(), step.album == 0);
            QTRY_COMPARE(f.StatusProgressBar1->value(), 100);
        }
        // After the library's last photo nothing is next.
        QTest::qWait(100);
        QVERIFY(f.ahead().path().isEmpty());
        QVERIFY(desktop.messages.empty());
    }

    void goingElsewhereDropsThePictureAhead()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        v.openNode(1);
        QTRY_COMPARE(f.ahead().path(), v.photo(0, 2));

        f.mLastClick(CommandOrigin::Control);
        QVERIFY(f.ahead().path().isEmpty());
        QVERIFY(!arrivedDecoded(f));
        QTRY_COMPARE(f.ahead().path(), v.photo(1, 1));

        // Rebuilding the tree (also for another library folder) drops it.
        f.MakeFolderTree();
        QVERIFY(f.ahead().path().isEmpty());
        QVERIFY(desktop.messages.empty());
    }

    void selectedPhotoIsDecodedAheadForTheDoubleClick_data()
    {
        QTest::addColumn<bool>("fit");
        QTest::newRow("100%") << false;
        QTest::newRow("fit") << true;
    }

    void selectedPhotoIsDecodedAheadForTheDoubleClick()
    {
        QFETCH(bool, fit);
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open();
        if (fit)
            f.FitWinToolBtn->click();
        v.clickNode(5);
        QCOMPARE(f.ahead().path(), v.photo(1, 1));
        v.clickNode(2);
        QCOMPARE(f.ahead().path(), v.photo(0, 2));
        f.TreeViewDblClick();
        QVERIFY(arrivedDecoded(f));
        QCOMPARE(f.StatusBar1->panelText(1), QStringLiteral("p2.jpg"));
        // Decoded large enough for the view: it is not decoded again for the paint.
        const QImage& image = f.Image1->picture()->image();
        QVERIFY(QTest::qWaitForWindowExposed(f.Image1));
        const QSize drawn = f.Image1->size() * f.Image1->devicePixelRatioF();
        QVERIFY(image.width() >= drawn.width() && image.height() >= drawn.height());
        if (fit)
            QVERIFY(image.width() < 640); // reduced to the view's size
        else
            QCOMPARE(image.size(), QSize(640, 480));
        QVERIFY(desktop.messages.empty());
    }

    void damagedPhotoAheadIsReportedOnceWhenShown()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        // The second photo's header reads, its data does not.
        const QString damaged = v.photo(0, 2);
        QVERIFY(JpegWriter::write(JpegWriter::photoLike(64, 48, 7), damaged,
                                  JpegWriter::Kind::Progressive));
        damageSecondScan(damaged);

        TMainForm& f = v.open();
        v.openNode(1);
        QTRY_COMPARE(f.ahead().path(), damaged);
        f.NextToolBtnClick(CommandOrigin::Control);
        QVERIFY(!arrivedDecoded(f));
        QTRY_COMPARE(desktop.messages.size(), size_t(1));
        QCOMPARE(desktop.messages.front().text,
                 QStringLiteral("JPEG エラー #%1.").arg(JERR_BAD_PROGRESSION));
        // The next photo is still decoded ahead, and the error is not reported again.
        QTRY_COMPARE(f.ahead().path(), v.photo(0, 3));
        f.NextToolBtnClick(CommandOrigin::Control);
        QVERIFY(arrivedDecoded(f));
        QTest::qWait(100);
        QCOMPARE(desktop.messages.size(), size_t(1));
    }

    void everyLikelyStepArrivesDecoded()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2, 2}); // albums at nodes 0, 4 and 7
        TMainForm& f = v.open();
        v.openNode(5);
        // Kept for the other directions: the previous photo (the previous album's last), and
        // the first photos of the next and the previous album; the next one is ahead.
        QTRY_COMPARE(f.kept().count(), 3);
        QTRY_COMPARE(f.ahead().path(), v.photo(1, 2));

        const struct
        {
            void (TMainForm::*step)(CommandOrigin);
            int node;
            QString path;
        } course[] = {{&TMainForm::PrevFolderClick, 1, v.photo(0, 1)},
                      {&TMainForm::NextToolBtnClick, 2, v.photo(0, 2)},
                      // Back at once, before anything was decoded for the new place.
                      {&TMainForm::PrevToolBtnClick, 1, v.photo(0, 1)},
                      {&TMainForm::NextFolderClick, 5, v.photo(1, 1)},
                      {&TMainForm::NextFolderClick, 8, v.photo(2, 1)},
                      // The wheel: the previous album's last photo.
                      {&TMainForm::PrevFolderClick, 6, v.photo(1, 2)}};
        for (const auto& step : course) {
            if (step.node != 1 || f.CurrentNodeIndex != 2) // all but the quick way back
                QTRY_VERIFY(f.kept().holds(step.path, {}) || f.ahead().path() == step.path);
            (f.*step.step)(step.node == 6 ? CommandOrigin::None : CommandOrigin::Control);
            QCOMPARE(f.CurrentNodeIndex, step.node);
            QVERIFY2(arrivedDecoded(f), qPrintable(step.path));
            QCOMPARE(f.Image1->picture()->image(), decodedFresh(step.path));
        }
        // Only what the new place makes likely is kept: the previous photo and the previous
        // album's first; the next album's first is the next photo, held ahead.
        QTRY_COMPARE(f.kept().count(), 2);
        QVERIFY(desktop.messages.empty());
    }

    void keptPictureOfARewrittenFileIsNotShown()
    {
        ScriptedDesktop desktop;
        Viewer v({3});
        TMainForm& f = v.open();
        v.openNode(1);
        QTRY_COMPARE(f.ahead().path(), v.photo(0, 2));
        f.NextToolBtnClick(CommandOrigin::Control);
        QVERIFY(f.kept().holds(v.photo(0, 1), {}));
        // Rewritten while kept: loaded afresh.
        writeTestJpeg(v.photo(0, 1), 640, 480, 99);
        f.PrevToolBtnClick(CommandOrigin::Control);
        QVERIFY(!arrivedDecoded(f));
        QTRY_VERIFY(arrivedDecoded(f));
        QCOMPARE(f.Image1->picture()->image(), decodedFresh(v.photo(0, 1)));
        QVERIFY(desktop.messages.empty());
    }

    void leavingFitModeShowsAtOnceAndDecodesLargerSilently()
    {
        ScriptedDesktop desktop;
        Viewer v({2});
        writeTestJpeg(v.photo(0, 1), 2400, 1800, 5);
        TMainForm& f = v.open();
        f.FitWinToolBtn->click();
        v.openNode(1);
        QTRY_COMPARE(f.StatusProgressBar1->value(), 100);
        QVERIFY(QTest::qWaitForWindowExposed(f.Image1));
        QVERIFY(f.Image1->picture()->image().width() < 2400);
        QSignalSpy reports(f.Image1, &PhotoImage::progress);

        f.FitWinToolBtn->click(); // to 100%
        QCOMPARE(f.Image1->size(), QSize(2400, 1800));
        // The window paints without decoding: the small pixels are drawn larger meanwhile.
        QCoreApplication::sendPostedEvents(&f, QEvent::UpdateRequest);
        f.Image1->decodeIfNeeded();
        QVERIFY(f.Image1->picture()->image().width() < 2400);
        // The full-size decode arrives from the worker and replaces them, reporting nothing.
        QTRY_COMPARE(f.Image1->picture()->image().size(), QSize(2400, 1800));
        QCOMPARE(f.Image1->picture()->image(), decodedFresh(v.photo(0, 1)));
        QVERIFY(!f.Image1->needsLargerDecode());
        QCOMPARE(reports.count(), 0);
        QVERIFY(desktop.messages.empty());
    }

    void slideShowReArmsItsTimerForPicturesDecodedAhead()
    {
        ScriptedDesktop desktop;
        Viewer v({3, 2});
        TMainForm& f = v.open("SLISetInte=1\n"); // 100 ms
        // Per photo: the stages with the bar's value at each, and whether it came decoded.
        QStringList reports;
        int cameDecoded = 0;
        connect(f.Image1, &PhotoImage::progress, &f,
                [&](JpegPicture::ProgressStage stage, int percent) {
                    if (stage == JpegPicture::ProgressStage::Starting && arrivedDecoded(f))
                        ++cameDecoded;
                    if (stage != JpegPicture::ProgressStage::Running)
                        reports << QStringLiteral("%1:%2:%3")
                                       .arg(stage == JpegPicture::ProgressStage::Starting
                                                ? QStringLiteral("start")
                                                : QStringLiteral("end"))
                                       .arg(percent)
                                       .arg(f.StatusProgressBar1->value());
                });
        f.FolderToolBtn->click(); // no photo selected, so none decoded ahead of the first
        f.mAllSlideShowClick();
        // Five photos, each shown once and for one interval; the show stops on the last.
        QTRY_VERIFY_WITH_TIMEOUT(!f.AutoNextToolBtn->isChecked(), 10000);
        QCOMPARE(f.CurrentNodeIndex, 6);
        QStringList expected;
        for (int i = 0; i < 5; ++i)
            expected << QStringLiteral("start:0:0") << QStringLiteral("end:100:100");
        QCOMPARE(reports, expected);
        QCOMPARE(cameDecoded, 4); // all but the first
        QVERIFY(!f.SlideTimer->isEnabled());
        // The bar empties a second after the last decode's end.
        QTRY_COMPARE_WITH_TIMEOUT(f.StatusProgressBar1->value(), 0, 3000);
        QVERIFY(desktop.messages.empty());
    }
};

QTEST_MAIN(TestPhotoAhead)
#include "tst_photoahead.moc"
