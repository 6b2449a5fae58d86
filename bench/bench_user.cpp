// The photo as a user meets it: real key presses and mouse clicks (XTest) reach the real main
// window through the X server, and a thread of our own samples the middle of the view area
// from its own connection. A figure is the time from the first press to the first sample that
// shows the new photo as it finally stands (or, for leaving fit mode, the first sample that
// shows any change: the photo drawn larger at once, before its full-size pixels come in).
//
//   bench_user step     LIBRARY ALBUM PHOTO KEYS [--fit] [--wait MS] [--runs N] [--key KEY]
//   bench_user fitleave LIBRARY ALBUM PHOTO [--wait MS] [--runs N] [--key KEY]
//   bench_user open     LIBRARY ALBUM PHOTO [--fit] [--key KEY]
//   bench_user memory   LIBRARY ALBUM PHOTO [--key KEY]
//
// step: from PHOTO, on screen for --wait ms, the keypad keys of KEYS ("6", "4", "3", "1";
// "6,4" presses 4 as soon as 6's photo shows, and times the 4). fitleave: keypad 0 on the
// fitted PHOTO. open: a double-click on PHOTO's tree row, once, in this (fresh) process; the
// clicks 60 ms apart as a quick hand makes them (also timed from the second press). memory:
// resident memory after 20 steps at 100% from PHOTO (keypad 6, or 3 at an album's end), each
// photo on screen 300 ms, against one decoded picture. Runs need DISPLAY; ./bench.sh gives
// its own.
#include <QApplication>
#include <QElapsedTimer>
#include <QModelIndex>
#include <QSplitter>
#include <QToolButton>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "app/TMainForm.h"
#include "controls/ResizeNotifyPanel.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "picture/JpegPicture.h"
#include "view/PhotoImage.h"

// Last: Xlib's macros (None, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

Display* openDisplay()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        std::exit(2);
    }
    return display;
}

// A hash of what the screen shows in the rectangle; 0 when it could not be read.
quint64 lookAt(Display* display, const QRect& area)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), area.x(), area.y(),
                              unsigned(area.width()), unsigned(area.height()), AllPlanes, ZPixmap);
    if (!image)
        return 0;
    quint64 hash = 1469598103934665603ull;
    for (int y = 0; y < area.height(); ++y) {
        const auto* line = reinterpret_cast<const unsigned char*>(image->data) +
                           qsizetype(y) * image->bytes_per_line;
        for (int x = 0; x < image->bytes_per_line; ++x)
            hash = (hash ^ line[x]) * 1099511628211ull;
    }
    XDestroyImage(image);
    return hash | 1;
}

// Samples the rectangle every millisecond or so, from its own connection, keeping each change.
class Sampler
{
public:
    struct Change
    {
        Clock::time_point at;
        quint64 look;
    };

    explicit Sampler(const QRect& area) : m_area(area)
    {
        m_thread = std::thread([this] {
            Display* display = openDisplay();
            while (!m_stop) {
                const quint64 look = lookAt(display, m_area);
                const Clock::time_point at = Clock::now();
                {
                    const std::lock_guard lock(m_mutex);
                    if (m_changes.empty() || m_changes.back().look != look)
                        m_changes.push_back({at, look});
                }
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
            XCloseDisplay(display);
        });
        while (changes().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Sampler() { stop(); }

    std::vector<Change> changes() const
    {
        const std::lock_guard lock(m_mutex);
        return m_changes;
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    QRect m_area;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<Change> m_changes;
    std::thread m_thread;
};

// Real input from a thread of its own, so that the program's event loop runs meanwhile.
class Input
{
public:
    Input() : m_display(openDisplay())
    {
        int event, error, major, minor;
        if (!XTestQueryExtension(m_display, &event, &error, &major, &minor)) {
            std::fprintf(stderr, "the X server has no XTest\n");
            std::exit(2);
        }
    }
    ~Input() { XCloseDisplay(m_display); }

    // The keypad gives digits only with Num Lock on; the server keeps its state between runs.
    void numLockOn()
    {
        unsigned state = 0;
        XkbGetIndicatorState(m_display, XkbUseCoreKbd, &state);
        if (!(state & 2u))
            key(XK_Num_Lock);
    }
    void key(KeySym symbol)
    {
        const unsigned code = XKeysymToKeycode(m_display, symbol);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        XFlush(m_display);
    }
    void moveTo(QPoint at)
    {
        XTestFakeMotionEvent(m_display, -1, at.x(), at.y(), CurrentTime);
        XFlush(m_display);
    }
    void button(bool down)
    {
        XTestFakeButtonEvent(m_display, 1, down ? True : False, CurrentTime);
        XFlush(m_display);
    }

private:
    Display* m_display;
};

struct Options
{
    QString mode, library, album, photo, keys, key;
    bool fit = false;
    int runs = 1;
    int waitMs = 1000;
};

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: bench_user step|fitleave|open|memory LIBRARY ALBUM PHOTO [KEYS] "
                         "[--fit] [--wait MS] [--runs N] [--key KEY]\n");
    std::exit(2);
}

Options parse(const QStringList& args)
{
    const Bench::CommandLine line = Bench::parseCommandLine(
        args, {QStringLiteral("--runs"), QStringLiteral("--wait"), QStringLiteral("--key")}, usage);
    const QStringList& positional = line.positional;
    Options o;
    o.fit = line.flags.contains(QLatin1String("--fit"));
    o.runs = std::max(1, line.values.value(QStringLiteral("--runs"), QStringLiteral("1")).toInt());
    o.waitMs = line.values.value(QStringLiteral("--wait"), QStringLiteral("1000")).toInt();
    o.key = line.values.value(QStringLiteral("--key"));
    if (positional.size() < 4 || (positional[0] == QLatin1String("step") && positional.size() < 5))
        usage();
    o.mode = positional[0];
    o.library = positional[1];
    o.album = positional[2];
    o.photo = positional[3];
    if (positional.size() > 4)
        o.keys = positional[4];
    if (o.key.isEmpty())
        o.key = o.mode;
    return o;
}

// The middle of the view area on the screen, where the photo shows in both zoom modes.
QRect viewPatch(TMainForm& form)
{
    const QPoint middle = form.ScrollBox->mapToGlobal(form.ScrollBox->rect().center());
    return QRect(middle - QPoint(80, 60), QSize(160, 120));
}

// The program settles: the event loop idles while anything decoded ahead comes in.
void settle()
{
    Bench::idle(400);
}

// When the sampled area first showed what it shows at the end, after `from`.
double shownAfter(const std::vector<Sampler::Change>& changes, Clock::time_point from)
{
    const quint64 final = changes.back().look;
    for (const Sampler::Change& change : changes)
        if (change.at >= from && change.look == final)
            return msBetween(from, change.at);
    return msBetween(from, changes.back().at);
}

double firstChangeAfter(const std::vector<Sampler::Change>& changes, Clock::time_point from)
{
    for (const Sampler::Change& change : changes)
        if (change.at >= from)
            return msBetween(from, change.at);
    return -1;
}

KeySym keypad(QChar digit)
{
    return XK_KP_0 + KeySym(digit.digitValue());
}

void step(const Options& o, Bench::Window& w, Input& input)
{
    TMainForm& form = w.form();
    const int start = w.node(o.album, o.photo);
    const int reset = w.node(QStringLiteral("reset"), QStringLiteral("r1.jpg"));
    const QStringList keys = o.keys.split(QLatin1Char(','));
    std::vector<double> best(1, 1e300);
    for (int run = 0; run < o.runs; ++run) {
        w.open(reset);
        Bench::idle(300);
        w.open(start);
        Bench::idle(o.waitMs);
        Sampler sampler(viewPatch(form));
        Clock::time_point pressed;
        for (qsizetype k = 0; k < keys.size(); ++k) {
            const int node = form.CurrentNodeIndex;
            const auto changes = sampler.changes().size();
            pressed = Clock::now();
            input.key(keypad(keys[k][0]));
            // The next key goes as soon as this one's photo shows.
            Bench::waitFor([&] { return form.CurrentNodeIndex != node; }, "the step");
            Bench::waitFor([&] { return sampler.changes().size() > changes; }, "the new photo");
        }
        settle();
        sampler.stop();
        best[0] = std::min(best[0], shownAfter(sampler.changes(), pressed));
    }
    Bench::result(o.key + QStringLiteral(".wall"), best[0]);
}

void fitLeave(const Options& o, Bench::Window& w, Input& input)
{
    TMainForm& form = w.form();
    const int start = w.node(o.album, o.photo);
    double first = 1e300, whole = 1e300;
    for (int run = 0; run < o.runs; ++run) {
        w.setFitMode(true);
        w.open(start);
        Bench::idle(o.waitMs);
        Sampler sampler(viewPatch(form));
        const Clock::time_point pressed = Clock::now();
        input.key(XK_KP_0);
        Bench::waitFor([&] { return !form.FitWinToolBtn->isChecked(); }, "leaving fit mode");
        Bench::waitFor([&] { return !form.Image1->needsLargerDecode(); }, "the full size");
        settle();
        sampler.stop();
        const auto changes = sampler.changes();
        first = std::min(first, firstChangeAfter(changes, pressed));
        whole = std::min(whole, shownAfter(changes, pressed));
    }
    Bench::result(o.key + QStringLiteral(".wall"), first);
    Bench::result(o.key + QStringLiteral(".whole"), whole);
}

void open(const Options& o, Bench::Window& w, Input& input)
{
    TMainForm& form = w.form();
    const int target = w.node(o.album, o.photo);
    w.setFolderPanel(true);
    FolderTreeView* tree = form.TreeView;
    const QModelIndex index = form.TreeModel->indexOfNode(target);
    tree->expand(index.parent());
    tree->scrollTo(index);
    Bench::idle(300);
    const QPoint at = tree->viewport()->mapToGlobal(tree->visualRect(index).center());
    input.moveTo(at);
    Bench::idle(100);
    // Where the photo will show once the panel has closed: the middle of the whole splitter.
    const QPoint middle = form.MainSplitter->mapToGlobal(form.MainSplitter->rect().center());
    Sampler sampler(QRect(middle - QPoint(80, 60), QSize(160, 120)));
    const Clock::time_point pressed = Clock::now();
    std::atomic<bool> handDone = false;
    Clock::time_point secondPress;
    std::thread hand([&] {
        const auto pause = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
        input.button(true);
        pause(60);
        input.button(false);
        pause(60);
        secondPress = Clock::now();
        input.button(true);
        pause(60);
        input.button(false);
        handDone = true;
    });
    Bench::waitFor([&] { return !form.FolderToolBtn->isChecked(); }, "the double-click");
    Bench::waitFor([&] { return form.Image1->picture() && form.Image1->picture()->isDecoded(); },
                   "the photo");
    // Joined only once the hand is done: the window must not wait for the last release.
    Bench::waitFor([&] { return handDone.load(); }, "the last release");
    hand.join();
    settle();
    sampler.stop();
    const double shown = shownAfter(sampler.changes(), pressed);
    Bench::result(o.key + QStringLiteral(".wall"), shown);
    // What the double-click itself leaves to the program.
    Bench::result(o.key + QStringLiteral(".second"), shown - msBetween(pressed, secondPress));
}

void memory(const Options& o, Bench::Window& w, Input& input)
{
    TMainForm& form = w.form();
    const long before = Bench::residentKiB();
    w.open(w.node(o.album, o.photo));
    for (int i = 0; i < 20; ++i) {
        const int node = form.CurrentNodeIndex;
        // At an album's last photo, on to the next album's first.
        input.key(form.NextToolBtn->isEnabled() ? XK_KP_6 : XK_KP_3);
        Bench::waitFor([&] { return form.CurrentNodeIndex != node; }, "the step");
        Bench::idle(300);
    }
    Bench::idle(1500);
    const JpegPicture* picture = form.Image1->picture();
    Bench::result(o.key + QStringLiteral(".picture_mib"),
                  4.0 * picture->width() * picture->height() / (1024.0 * 1024.0));
    Bench::result(o.key + QStringLiteral(".rss_mib"), (Bench::residentKiB() - before) / 1024.0);
    Bench::result(o.key + QStringLiteral(".kept"), form.kept().count());
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "bench_user needs an X server (DISPLAY)\n");
        return 2;
    }
    QApplication app(argc, argv);
    TMainForm::initApplication(app);
    const Options o = parse(app.arguments().mid(1));
    Input input;
    input.numLockOn();
    Bench::Window w(o.library);
    // The window is where the pointer and the keys go.
    w.form().activateWindow();
    w.form().raise();
    Bench::idle(200);
    w.setFitMode(o.fit);
    input.moveTo(viewPatch(w.form()).center()); // keys go to the window under the pointer
    if (o.mode == QLatin1String("step"))
        step(o, w, input);
    else if (o.mode == QLatin1String("fitleave"))
        fitLeave(o, w, input);
    else if (o.mode == QLatin1String("open"))
        open(o, w, input);
    else if (o.mode == QLatin1String("memory"))
        memory(o, w, input);
    else
        usage();
    return 0;
}
