// The photo as a user sees it, in the real main window on a photo library that mkbenchphotos
// wrote: one measurement a process, printed as "result KEY VALUE" lines for ./bench.sh.
//
//   bench_view startup  LIBRARY                         start-up to the shown window
//   bench_view open     LIBRARY ALBUM PHOTO [options]   double-click on the photo's tree row
//   bench_view next     LIBRARY ALBUM PHOTO [options]   next photo, from PHOTO
//   bench_view repaint  LIBRARY ALBUM PHOTO             one repaint of the fitted photo
//   bench_view pan      LIBRARY ALBUM PHOTO             one pan tick at 100%
//   bench_view dirreads LIBRARY ALBUM PHOTO             directories opened while stepping
//
// Options: --fit (fit mode; 100% otherwise), --runs N (best of N in this process), --wait MS
// (next: how long the photo stays on screen before the step), --memory (open: resident memory
// of the first open), --key KEY (the prefix of the printed figures). Each run starts from a
// small photo of the album "reset", so no run reuses what the one before it decoded.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <dirent.h>
#include <dlfcn.h>

#include "BenchSupport.h"
#include "app/TMainForm.h"
#include "picture/JpegPicture.h"
#include "view/KeyStroke.h"
#include "view/PhotoImage.h"

// Every directory the process opens for listing is counted: the program's scan and Qt alike.
static std::atomic<int> g_directoryReads{0};

extern "C" DIR* opendir(const char* name)
{
    static auto real = reinterpret_cast<DIR* (*)(const char*)>(dlsym(RTLD_NEXT, "opendir"));
    ++g_directoryReads;
    return real(name);
}

extern "C" DIR* fdopendir(int fd)
{
    static auto real = reinterpret_cast<DIR* (*)(int)>(dlsym(RTLD_NEXT, "fdopendir"));
    ++g_directoryReads;
    return real(fd);
}

namespace {

struct Options
{
    QString mode, library, album, photo, key;
    bool fit = false;
    bool memory = false;
    int runs = 1;
    int waitMs = 0;
};

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: bench_view startup|open|next|repaint|pan|dirreads LIBRARY "
                         "[ALBUM PHOTO] [--fit] [--runs N] [--wait MS] [--memory] [--key KEY]\n");
    std::exit(2);
}

Options parse(const QStringList& args)
{
    const Bench::CommandLine line = Bench::parseCommandLine(
        args, {QStringLiteral("--runs"), QStringLiteral("--wait"), QStringLiteral("--key")}, usage);
    const QStringList& positional = line.positional;
    Options o;
    o.fit = line.flags.contains(QLatin1String("--fit"));
    o.memory = line.flags.contains(QLatin1String("--memory"));
    o.runs = std::max(1, line.values.value(QStringLiteral("--runs"), QStringLiteral("1")).toInt());
    o.waitMs = line.values.value(QStringLiteral("--wait"), QStringLiteral("0")).toInt();
    o.key = line.values.value(QStringLiteral("--key"));
    if (positional.size() < 2 ||
        (positional[0] != QLatin1String("startup") && positional.size() < 4))
        usage();
    o.mode = positional[0];
    o.library = positional[1];
    if (positional.size() >= 4) {
        o.album = positional[2];
        o.photo = positional[3];
    }
    if (o.key.isEmpty())
        o.key = o.mode;
    return o;
}

double mib(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

void open(const Options& o, Bench::Window& w)
{
    const int target = w.node(o.album, o.photo);
    const int reset = w.node(QStringLiteral("reset"), QStringLiteral("r1.jpg"));
    w.setFolderPanel(true);
    Bench::idle(300);
    const long before = Bench::residentKiB();
    Bench::Best best;
    double preview = 1e300;
    for (int run = 0; run < o.runs; ++run) {
        if (run > 0) {
            w.open(reset);
            w.setFolderPanel(true);
            Bench::idle(500);
        }
        const Bench::Window::Click click = w.doubleClick(target);
        best.add(click.wallMs, click.cpuMs);
        preview = std::min(preview, click.previewMs);
        if (run == 0 && o.memory) {
            // Right after the paint; then again once anything decoded ahead has come in.
            const long after = Bench::residentKiB();
            Bench::idle(2000);
            const long later = Bench::residentKiB();
            const JpegPicture* picture = w.form().Image1->picture();
            Bench::result(o.key + QStringLiteral(".picture_mib"),
                          mib(4.0 * picture->width() * picture->height()));
            Bench::result(o.key + QStringLiteral(".rss_mib"), (after - before) / 1024.0);
            Bench::result(o.key + QStringLiteral(".rss_later_mib"), (later - before) / 1024.0);
        }
    }
    Bench::result(o.key + QStringLiteral(".wall"), best.wallMs);
    Bench::result(o.key + QStringLiteral(".cpu"), best.cpuMs);
    Bench::result(o.key + QStringLiteral(".preview"), preview);
}

void next(const Options& o, Bench::Window& w)
{
    const int target = w.node(o.album, o.photo);
    const int reset = w.node(QStringLiteral("reset"), QStringLiteral("r1.jpg"));
    Bench::Best best;
    for (int run = 0; run < o.runs; ++run) {
        w.open(reset);
        Bench::idle(300);
        w.open(target);
        if (o.waitMs > 0)
            Bench::idle(o.waitMs);
        const Bench::Window::Click click =
            w.untilPainted([&] { QTest::mouseClick(w.form().NextToolBtn, Qt::LeftButton); });
        if (w.form().CurrentNodeIndex != target + 1) {
            std::fprintf(stderr, "the next photo is not the one after %s\n", qPrintable(o.photo));
            std::exit(2);
        }
        best.add(click.wallMs, click.cpuMs);
    }
    Bench::result(o.key + QStringLiteral(".wall"), best.wallMs);
    Bench::result(o.key + QStringLiteral(".cpu"), best.cpuMs);
}

void repaint(const Options& o, Bench::Window& w)
{
    w.setFitMode(true);
    w.open(w.node(o.album, o.photo));
    Bench::idle(300);
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer clock;
        clock.start();
        w.form().Image1->repaint();
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    const QString path = w.form().PhotoPath(w.form().Tree.node(w.node(o.album, o.photo)).file);
    const Bench::Best decode = Bench::bestOf(3, [&] { JpegPicture::load(path)->decode(); });
    Bench::result(o.key + QStringLiteral(".best"), times.front());
    Bench::result(o.key + QStringLiteral(".median"), times[times.size() / 2]);
    Bench::result(o.key + QStringLiteral(".decode"), decode.wallMs);
}

// Key panning with a large step, reversed at each edge, so every tick moves the photo; a tick
// is the timer's step and the paint of the strip it uncovers.
void pan(const Options& o, Bench::Window& w)
{
    TMainForm& form = w.form();
    form.resize(1024, 768);
    w.setFitMode(false);
    w.open(w.node(o.album, o.photo));
    Bench::idle(300);
    std::vector<double> costs;
    bool left = true;
    const auto arrow = [](int code) {
        KeyStroke key;
        key.code = code;
        return key;
    };
    for (int i = 0; i < 400; ++i) {
        if (!form.Pan.KeyScrolling || i % 40 == 0) {
            form.FormKeyUp(arrow(left ? KeyStroke::Left : KeyStroke::Right));
            left = !left;
            for (int step = 0; step < 5; ++step)
                form.FormKeyDown(arrow(left ? KeyStroke::Left : KeyStroke::Right));
        }
        QElapsedTimer clock;
        clock.start();
        form.ImageTimerTimer();
        QCoreApplication::sendPostedEvents(&form, QEvent::UpdateRequest);
        costs.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(costs.begin(), costs.end());
    Bench::result(o.key + QStringLiteral(".median"), costs[costs.size() / 2]);
    Bench::result(o.key + QStringLiteral(".p90"), costs[costs.size() * 9 / 10]);
}

// Stepping finds its photos in the tree: it opens no directory, but with the folder panel
// shown an album without a Preview folder is listed once to look for another spelling of it.
void directoryReads(const Options& o, Bench::Window& w)
{
    TMainForm& form = w.form();
    const auto steps = [&] {
        for (int i = 0; i < 3; ++i)
            w.untilPainted([&] { form.NextToolBtnClick(CommandOrigin::Control); });
        w.untilPainted([&] { form.mLastClick(CommandOrigin::Control); });
        w.untilPainted([&] { form.mFirstClick(CommandOrigin::Control); });
        w.untilPainted([&] { form.NextFolderClick(CommandOrigin::Control); });
        w.untilPainted([&] { form.PrevFolderClick(CommandOrigin::Control); });
    };
    const int start = w.node(o.album, o.photo);
    w.open(start);
    const int hidden = g_directoryReads;
    steps();
    Bench::result(o.key + QStringLiteral(".hidden"), g_directoryReads - hidden);
    w.open(start);
    w.setFolderPanel(true);
    const int shown = g_directoryReads;
    steps();
    Bench::result(o.key + QStringLiteral(".shown"), g_directoryReads - shown);
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TMainForm::initApplication(app);
    const Options o = parse(app.arguments().mid(1));

    Bench::Window w(o.library);
    if (o.mode == QLatin1String("startup")) {
        Bench::result(o.key + QStringLiteral(".wall"), sinceStart.nsecsElapsed() / 1e6);
        Bench::result(o.key + QStringLiteral(".cpu"), Bench::processCpuMs());
        return 0;
    }
    w.setFitMode(o.fit);
    if (o.mode == QLatin1String("open"))
        open(o, w);
    else if (o.mode == QLatin1String("next"))
        next(o, w);
    else if (o.mode == QLatin1String("repaint"))
        repaint(o, w);
    else if (o.mode == QLatin1String("pan"))
        pan(o, w);
    else if (o.mode == QLatin1String("dirreads"))
        directoryReads(o, w);
    else
        usage();
    return 0;
}
