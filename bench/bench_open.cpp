// Opening a 24 MP photo that has no preview copy, as the user does it: a real double-click on
// its row in the folder tree (the first click shows the photo itself as the preview, the
// second opens it), timed from the first press to the photo painted, beside djpeg -rgb of the
// same file; and the resident memory the open photo costs beside one decoded picture.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <utility>

#include <sys/resource.h>
#include <unistd.h>

#include "JpegWriter.h"
#include "app/TMainForm.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "view/PhotoImage.h"
#include "BenchClock.h"

namespace {

// The machine is shared: the wall clock of a run can include waiting for a core, the
// processor time does not. Both are shown.
struct Timing
{
    double total;   // first press to the photo painted
    double preview; // first press to the preview painted
    double cpu;     // processor time of the whole double-click
};

double childrenCpuMs()
{
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Paints of a picture control that drew a decoded picture.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(PhotoImage* image) : m_image(image) { image->installEventFilter(this); }
    int decodedPaints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_image && event->type() == QEvent::Paint && m_image->picture() &&
            m_image->picture()->isDecoded())
            ++decodedPaints;
        return false;
    }

private:
    PhotoImage* m_image;
};

void waitFor(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Wall clock and processor time of djpeg, each the best of 5.
std::pair<double, double> djpegMs(const QString& file)
{
    double wall = 1e300, cpu = 1e300;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = childrenCpuMs();
        QProcess::execute(QStringLiteral("djpeg"),
                          {QStringLiteral("-rgb"), QStringLiteral("-outfile"),
                           QStringLiteral("/dev/null"), file});
        wall = std::min(wall, clock.nsecsElapsed() / 1e6);
        cpu = std::min(cpu, childrenCpuMs() - cpuBefore);
    }
    return {wall, cpu};
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TMainForm::initApplication(app);

    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("lib"));
    QDir().mkpath(library + QStringLiteral("/a"));
    std::printf("writing photos...\n");
    for (int i = 1; i <= 2; ++i)
        JpegWriter::write(JpegWriter::photoLike(6000, 4000, unsigned(i)),
                          library + QStringLiteral("/a/p%1.jpg").arg(i), JpegWriter::Kind::Baseline,
                          90);
    QFile ini(dir.filePath(QStringLiteral("qirva.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");
    ini.close();

    TMainForm form(dir.path());
    form.show();
    waitFor([&] { return form.windowHandle() && form.windowHandle()->isExposed(); });
    QCoreApplication::processEvents();
    PaintCounter photoPaints(form.Image1);
    PaintCounter previewPaints(form.Image2);

    QWidget* viewport = form.TreeView->viewport();
    const auto rowCenter = [&](int node) {
        const QModelIndex index = form.TreeModel->indexOfNode(node);
        form.TreeView->expand(index.parent());
        form.TreeView->scrollTo(index);
        return form.TreeView->visualRect(index).center();
    };
    // One double-click as the mouse gives it. Between the two clicks the event loop runs as it
    // would while the user's finger comes down again: the preview is decoded and painted.
    const auto doubleClick = [&](int node) {
        if (!form.FolderToolBtn->isChecked())
            form.FolderToolBtn->click();
        QCoreApplication::processEvents();
        const QPoint at = rowCenter(node);
        const int photoBefore = photoPaints.decodedPaints;
        const int previewBefore = previewPaints.decodedPaints;
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = processCpuMs();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        waitFor([&] { return previewPaints.decodedPaints > previewBefore; });
        const double preview = clock.nsecsElapsed() / 1e6;
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        waitFor([&] { return photoPaints.decodedPaints > photoBefore; });
        return Timing{clock.nsecsElapsed() / 1e6, preview, processCpuMs() - cpuBefore};
    };

    form.FolderToolBtn->click();
    QCoreApplication::processEvents();
    const long before = residentKiB();
    Timing best = doubleClick(1);
    const long after = residentKiB();
    const double picture = form.Image1->picture()->image().sizeInBytes() / 1024.0;
    double bestCpu = best.cpu;
    for (int i = 0; i < 4; ++i) {
        const Timing run = doubleClick(1 + (i + 1) % 2);
        if (run.total < best.total)
            best = run;
        bestCpu = std::min(bestCpu, run.cpu);
    }
    const auto [djpeg, djpegCpu] = djpegMs(library + QStringLiteral("/a/p1.jpg"));

    std::printf("\nreal double-click on a 24 MP photo without a preview copy, first press to "
                "painted, best of 5:\n");
    const double ratio = best.total / djpeg;
    std::printf("  %.1f ms (of which the first click's preview %.1f ms), djpeg -rgb %.1f ms: "
                "%.2fx (target at most 1.25x)%s\n",
                best.total, best.preview, djpeg, ratio,
                ratio <= 1.25 ? "  target met" : "  target NOT met");
    std::printf("  processor time %.1f ms, djpeg's %.1f ms: %.2fx%s\n", bestCpu, djpegCpu,
                bestCpu / djpegCpu, bestCpu / djpegCpu <= 1.25 ? "  target met" : "  target NOT met");
    std::printf("resident memory after it, from the window with no photo shown: %.1f MiB, one "
                "decoded picture %.1f MiB: %.2fx (target at most 1.25x)%s\n",
                (after - before) / 1024.0, picture / 1024.0, (after - before) / picture,
                (after - before) / picture <= 1.25 ? "  target met" : "  target NOT met");
    return 0;
}
