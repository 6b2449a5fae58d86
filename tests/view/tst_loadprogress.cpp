#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include <vector>

#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "controls/PanelStatusBar.h"
#include "controls/TStatusProgressBar.h"
#include "library/FolderTreeView.h"
#include "picture/JpegPicture.h"
#include "platform/LoopTimer.h"
#include "support/TestSupport.h"
#include "view/PhotoImage.h"

using Stage = JpegPicture::ProgressStage;

namespace {

// Running reports come only after half a second of decoding. Holding the decode that long in
// the starting report brings the first one at once, whatever the machine's speed.
void holdPastTheReportInterval()
{
    QThread::msleep(520);
}

struct Report
{
    Stage stage;
    int percent;
    int rows; // decoded rows at the report
    int bar;  // the progress bar after the window's handler
};

// A window over one album of photos written by the test; Incremental as given.
struct Viewer
{
    QTemporaryDir dir;
    QString album;
    std::unique_ptr<TMainForm> form;

    Viewer() { album = dir.filePath(QStringLiteral("lib/a")); }

    QString write(int number, const QImage& image, JpegWriter::Kind kind)
    {
        QDir().mkpath(album);
        const QString path = album + QStringLiteral("/p%1.jpg").arg(number);
        if (!JpegWriter::write(image, path, kind))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    TMainForm& open(bool incremental)
    {
        form = showMainWindow(
            dir.path(), "[Setting]\nLoadSetPath=" + dir.filePath(QStringLiteral("lib")).toUtf8() +
                            "\nIncremental=" + (incremental ? "1" : "0") + "\n");
        return *form;
    }

    void openPhoto(int node)
    {
        form->FolderToolBtn->click();
        form->TreeView->selectNode(node);
        form->TreeViewDblClick();
    }
};

// Counts the paints a widget gets while a decode runs.
class PaintCounter : public QObject
{
public:
    PaintCounter(QWidget* widget, const bool& during) : m_during(during)
    {
        widget->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_during)
            ++paints;
        return false;
    }

private:
    const bool& m_during;
};

std::vector<Report> decodeReports(const QString& path)
{
    std::vector<Report> reports;
    auto picture = JpegPicture::load(path);
    const JpegPicture* p = picture.get();
    picture->decode([&](Stage stage, int percent) {
        reports.push_back({stage, percent, p->decodedRows(), 0});
        if (stage == Stage::Starting)
            holdPastTheReportInterval();
    });
    return reports;
}

} // namespace

class TestLoadProgress : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TMainForm::initApplication(*qApp); }

    void percentagesCountTheRowsAndThePasses()
    {
        QTemporaryDir dir;
        const QImage image = JpegWriter::photoLike(64, 128, 4);
        const QString baseline = dir.filePath(QStringLiteral("b.jpg"));
        const QString progressive = dir.filePath(QStringLiteral("p.jpg"));
        QVERIFY(JpegWriter::write(image, baseline, JpegWriter::Kind::Baseline));
        QVERIFY(JpegWriter::write(image, progressive, JpegWriter::Kind::Progressive));

        // One pass: the share of rows done.
        std::vector<Report> r = decodeReports(baseline);
        QCOMPARE(r.size(), size_t(3));
        QCOMPARE(r[0].stage, Stage::Starting);
        QCOMPARE(r[0].percent, 0);
        QCOMPARE(r[1].stage, Stage::Running);
        QVERIFY(r[1].rows > 0 && r[1].rows < 128);
        QCOMPARE(r[1].percent, r[1].rows * 100 / 128);
        QCOMPARE(r[2].stage, Stage::Ending);
        QCOMPARE(r[2].percent, 100);

        // Two passes: reading all the scans is the first half, and no row is given out
        // before the last scan is in.
        r = decodeReports(progressive);
        QCOMPARE(r.size(), size_t(3));
        QCOMPARE(r[1].stage, Stage::Running);
        QVERIFY(r[1].percent > 0 && r[1].percent < 50);
        QCOMPARE(r[1].rows, 0);
        QCOMPARE(r[2].percent, 100);
    }

    void barFollowsTheStagesAndClearsOnlyAfterTheLastEnd()
    {
        ScriptedDesktop desktop;
        Viewer v;
        v.write(1, JpegWriter::photoLike(32, 32, 1), JpegWriter::Kind::Baseline);
        TMainForm& f = v.open(false);
        TStatusProgressBar* bar = f.StatusProgressBar1;

        f.Image1Progress(Stage::Starting, 0);
        QCOMPARE(bar->value(), 0);
        f.Image1Progress(Stage::Running, 42);
        QCOMPARE(bar->value(), 42);
        f.Image1Progress(Stage::Ending, 100);
        QCOMPARE(bar->value(), 100);
        QVERIFY(f.ProgressTimer->isEnabled());
        QVERIFY(!f.SlideTimer->isEnabled()); // automatic advance is off

        // The next photo starts within the second: the pending clear is dropped.
        f.Image1Progress(Stage::Starting, 0);
        QVERIFY(!f.ProgressTimer->isEnabled());
        // A failed decode ends at 0 and still clears later.
        f.Image1Progress(Stage::Ending, 0);
        QCOMPARE(bar->value(), 0);
        QVERIFY(f.ProgressTimer->isEnabled());
        f.ProgressTimerTimer();
        QCOMPARE(bar->value(), 0);
        QVERIFY(!f.ProgressTimer->isEnabled());

        // While automatic advance runs, each end arms the slide timer.
        f.AutoNextToolBtn->setChecked(true);
        f.SlideMode = 1;
        f.Image1Progress(Stage::Ending, 100);
        QVERIFY(f.SlideTimer->isEnabled());
        f.Image1Progress(Stage::Ending, 100);
        QVERIFY(f.SlideTimer->isEnabled());
    }

    void decodeOfAShownPhotoDrivesTheBarWithoutPaintingThePhoto()
    {
        ScriptedDesktop desktop;
        Viewer v;
        v.write(1, JpegWriter::photoLike(64, 128, 2), JpegWriter::Kind::Baseline);
        TMainForm& f = v.open(false);
        bool decoding = false;
        PaintCounter barPaints(f.StatusProgressBar1, decoding);
        PaintCounter photoPaints(f.Image1, decoding);
        std::vector<Report> reports;
        connect(f.Image1, &PhotoImage::progress, &f, [&](Stage stage, int percent) {
            decoding = stage != Stage::Ending;
            reports.push_back({stage, percent, 0, f.StatusProgressBar1->value()});
            if (stage == Stage::Starting)
                holdPastTheReportInterval();
        });
        v.openPhoto(1);
        QTRY_VERIFY(f.Image1->picture()->isDecoded());

        QCOMPARE(reports.size(), size_t(3));
        QCOMPARE(reports[1].stage, Stage::Running);
        for (const Report& r : reports)
            QCOMPARE(r.bar, r.percent);
        // The bar reached the screen during the decode; the photo, not yet whole, did not.
        QVERIFY(barPaints.paints >= 2);
        QCOMPARE(photoPaints.paints, 0);

        QVERIFY(f.ProgressTimer->isEnabled());
        QCOMPARE(f.StatusProgressBar1->value(), 100);
        QTRY_COMPARE_WITH_TIMEOUT(f.StatusProgressBar1->value(), 0, 3000);
        QVERIFY(!f.ProgressTimer->isEnabled());
    }

    void incrementalDisplayDrawsOnlyTheRowsDecodedSoFar()
    {
        ScriptedDesktop desktop;
        Viewer v;
        v.write(1, JpegWriter::photoLike(64, 128, 3), JpegWriter::Kind::Baseline);
        TMainForm& f = v.open(true);
        QVERIFY(f.Image1->incrementalDisplay());
        bool decoding = false;
        PaintCounter photoPaints(f.Image1, decoding);
        QImage partial;
        int running = 0;
        connect(f.Image1, &PhotoImage::progress, &f, [&](Stage stage, int) {
            decoding = stage != Stage::Ending;
            if (stage == Stage::Starting) {
                holdPastTheReportInterval();
            } else if (stage == Stage::Running && ++running == 1) {
                holdPastTheReportInterval(); // so a second report comes after its paint
            } else if (stage == Stage::Running && running == 2) {
                partial = f.Image1->grab().toImage();
            }
        });
        v.openPhoto(1);
        QTRY_VERIFY(f.Image1->picture()->isDecoded());

        QVERIFY(running >= 2);
        QVERIFY(photoPaints.paints >= 1);
        QCOMPARE(partial.height(), 128);
        const QColor background = f.Image1->palette().color(QPalette::Window);
        QVERIFY(partial.pixelColor(10, 2) != background);  // decoded: the photo's sky
        QCOMPARE(partial.pixelColor(10, 125), background); // still to come: nothing drawn
    }

    void damagedPhotoEndsTheBarAtZero()
    {
        ScriptedDesktop desktop;
        Viewer v;
        const QString path =
            v.write(1, JpegWriter::photoLike(64, 64, 5), JpegWriter::Kind::Progressive);
        damageSecondScan(path);

        TMainForm& f = v.open(false);
        std::vector<Report> reports;
        connect(f.Image1, &PhotoImage::progress, &f, [&](Stage stage, int percent) {
            reports.push_back({stage, percent, 0, f.StatusProgressBar1->value()});
        });
        v.openPhoto(1);
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports.front().stage, Stage::Starting);
        QCOMPARE(reports.back().stage, Stage::Ending);
        QCOMPARE(reports.back().percent, 0);
        QCOMPARE(f.StatusProgressBar1->value(), 0);
        QVERIFY(f.ProgressTimer->isEnabled());
        QTRY_COMPARE(desktop.messages.size(), size_t(1));
    }

    // Fit mode draws the photo smaller than it is, so it is decoded reduced; whatever needs
    // more later (100%, a zoom step, print or copy) decodes it again at full size, silently:
    // the user has the photo on the screen all the while.
    void fittedPhotoDecodesReducedAndGrowsWithoutASecondProgressCycle()
    {
        ScriptedDesktop desktop;
        Viewer v;
        v.write(1, JpegWriter::photoLike(2400, 1600, 6), JpegWriter::Kind::Baseline);
        v.write(2, JpegWriter::photoLike(2400, 1600, 7), JpegWriter::Kind::Baseline);
        TMainForm& f = v.open(false);
        f.resize(800, 600);
        f.FitWinToolBtn->click();
        std::vector<Stage> stages;
        connect(f.Image1, &PhotoImage::progress, &f,
                [&](Stage stage, int) { stages.push_back(stage); });

        v.openPhoto(1);
        QTRY_VERIFY(f.Image1->picture()->isDecoded());
        const QImage& reduced = f.Image1->picture()->image();
        QVERIFY(reduced.width() < 2400);
        QVERIFY(reduced.width() >= f.Image1->width());
        QVERIFY(reduced.height() >= f.Image1->height());
        QCOMPARE(f.StatusBar1->panelText(3), QStringLiteral("2400x1600"));
        QCOMPARE(stages, (std::vector<Stage>{Stage::Starting, Stage::Ending}));
        QTRY_COMPARE_WITH_TIMEOUT(f.StatusProgressBar1->value(), 0, 3000);

        f.FitWinToolBtn->click(); // 100%
        QTRY_COMPARE(f.Image1->picture()->image().width(), 2400);
        QCOMPARE(f.Image1->picture()->image().height(), 1600);
        QCOMPARE(stages.size(), size_t(2));
        QVERIFY(!f.ProgressTimer->isEnabled());

        f.FitWinToolBtn->click(); // fitted again: the full-size pixels are kept
        QTest::qWait(50);
        QCOMPARE(f.Image1->picture()->image().width(), 2400);

        f.NextToolBtnClick(CommandOrigin::Control);
        // It may come decoded ahead; its stages come when it is shown, all the same.
        QTRY_COMPARE(stages.size(), size_t(4));
        QVERIFY(f.Image1->picture()->image().width() < 2400);
        // Copy and print take the whole photo.
        QCOMPARE(f.Image1->fullSizeImage().size(), QSize(2400, 1600));
        QCOMPARE(stages.size(), size_t(4));
    }

    void aDamagedPhotoIsReportedOnceThoughDecodedTwice()
    {
        ScriptedDesktop desktop;
        Viewer v;
        damageSecondScan(
            v.write(1, JpegWriter::photoLike(2400, 1600, 8), JpegWriter::Kind::Progressive));
        TMainForm& f = v.open(false);
        f.resize(800, 600);
        f.FitWinToolBtn->click();
        v.openPhoto(1);
        QTRY_COMPARE(desktop.messages.size(), size_t(1));
        QVERIFY(f.Image1->picture()->image().width() < 2400);
        f.FitWinToolBtn->click();
        QTRY_COMPARE(f.Image1->picture()->image().width(), 2400);
        QTest::qWait(50);
        QCOMPARE(desktop.messages.size(), size_t(1));
    }

    // A picture decoded elsewhere (ahead of being asked for) shows the stages of a quick
    // decode when it is first shown, so the bar and the slide timer follow as usual.
    void aPictureThatArrivesDecodedReportsAQuickDecode()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.jpg"));
        QVERIFY(
            JpegWriter::write(JpegWriter::photoLike(64, 48, 9), path, JpegWriter::Kind::Baseline));
        auto picture = JpegPicture::load(path);
        QVERIFY(picture->decode().isEmpty());
        PhotoImage image;
        image.resize(64, 48);
        image.show();
        QVERIFY(QTest::qWaitForWindowExposed(&image));
        std::vector<std::pair<Stage, int>> reports;
        connect(&image, &PhotoImage::progress, &image,
                [&](Stage stage, int percent) { reports.emplace_back(stage, percent); });
        image.setPicture(std::move(picture));
        image.decodeIfNeeded();
        image.decodeIfNeeded();
        const std::vector<std::pair<Stage, int>> quick{{Stage::Starting, 0}, {Stage::Ending, 100}};
        QCOMPARE(reports, quick);
    }
};

QTEST_MAIN(TestLoadProgress)
#include "tst_loadprogress.moc"
