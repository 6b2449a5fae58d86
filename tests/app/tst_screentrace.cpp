#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "JpegWriter.h"
#include "support/TestSupport.h"

// What the user sees while the viewer goes from one 24 MP photo to the next: the window runs
// under an X server of its own, driven by real key presses and clicks, while the test samples
// the view area of the screen every few milliseconds from its own connection. The old photo
// must give way to the new one directly: no sample may show the bare background, at 100%, in
// fit mode, stepping or opening from the folder tree.
namespace {

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000;
constexpr int kPhotos = 3;
// Fewer samples than this between the input and the new photo would make the trace too thin
// to show a flash, which lasts about as long as the decode. A step takes over 100 ms and a
// sample a few; on a busy machine both stretch, and traces still held 25 samples and more.
constexpr int kMinSamplesDuringStep = 8;

// Photo k is red, green or blue at every pixel: its own channel strong, the other two weak, in
// tiles of changing brightness under fine noise. Any part of it tells which photo is on the
// screen, no part of it is the view's grey background, and the noise makes it cost as much to
// decode as a real 24 MP photo, even scaled down.
QImage tintedPhoto(int channel)
{
    QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPhotoHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kPhotoWidth; ++x) {
            quint32 noise = quint32(x) * 2654435761u ^ quint32(y) * 40503u;
            noise = (noise ^ noise >> 13) * 0x5bd1e995u;
            noise ^= noise >> 15;
            std::array<int, 3> rgb;
            rgb.fill(int(noise % 57));
            rgb[size_t(channel)] = 150 + (x / 48 + y / 32) % 4 * 25 + int(noise >> 8 & 15);
            line[x] = qRgb(rgb[0], rgb[1], rgb[2]);
        }
    }
    return image;
}

// One look at a rectangle of the screen.
struct Look
{
    bool valid = false;
    quint32 first = 0;    // the top-left pixel
    bool uniform = false; // every pixel the same as the first
    int photo = -1;       // the photo over at least a quarter of the rectangle, or -1
};

Look look(Display* display, const QRect& area)
{
    Look result;
    XImage* image = XGetImage(display, DefaultRootWindow(display), area.x(), area.y(),
                              unsigned(area.width()), unsigned(area.height()), AllPlanes, ZPixmap);
    if (!image)
        return result;
    if (image->bits_per_pixel == 32 && image->red_mask == 0xff0000 && image->green_mask == 0xff00 &&
        image->blue_mask == 0xff) {
        const auto pixel = [image](int x, int y) {
            const char* line = image->data + qsizetype(y) * image->bytes_per_line;
            return reinterpret_cast<const quint32*>(line)[x] & 0xffffff;
        };
        result.valid = true;
        result.first = pixel(0, 0);
        result.uniform = true;
        for (int y = 0; y < area.height() && result.uniform; ++y)
            for (int x = 0; x < area.width() && result.uniform; ++x)
                result.uniform = pixel(x, y) == result.first;
        // Every fourth pixel each way tells the photo well enough, and keeps the looks frequent.
        std::array<int, kPhotos> tinted{};
        int looked = 0;
        for (int y = 0; y < area.height(); y += 4) {
            for (int x = 0; x < area.width(); x += 4, ++looked) {
                const quint32 p = pixel(x, y);
                const int channels[3] = {int(p >> 16), int(p >> 8 & 0xff), int(p & 0xff)};
                for (int k = 0; k < kPhotos; ++k)
                    if (channels[k] >= 120 && channels[(k + 1) % 3] <= 90 &&
                        channels[(k + 2) % 3] <= 90)
                        ++tinted[size_t(k)];
            }
        }
        for (int k = 0; k < kPhotos; ++k)
            if (tinted[size_t(k)] * 4 >= looked)
                result.photo = k;
    }
    XDestroyImage(image);
    return result;
}

struct Sample
{
    qint64 ms;       // since the trace started
    bool background; // the whole rectangle in the background colour
    int photo;       // as in Look
};

// Samples a rectangle of the screen in a thread of its own, over a connection of its own, one
// look after another. The viewer is another process, so its decoding cannot hold this up.
class ScreenTrace
{
public:
    ScreenTrace(const QByteArray& display, const QRect& area, quint32 background)
        : m_display(display), m_area(area), m_background(background)
    {
        m_clock.start();
    }
    ~ScreenTrace() { stop(); }

    bool start()
    {
        Display* display = XOpenDisplay(m_display.constData());
        if (!display)
            return false;
        m_thread = std::thread([this, display] {
            while (!m_stop) {
                const Look seen = look(display, m_area);
                const Sample sample{elapsedMs(),
                                    seen.valid && seen.uniform && seen.first == m_background,
                                    seen.photo};
                {
                    const std::lock_guard<std::mutex> lock(m_mutex);
                    m_samples.push_back(sample);
                }
                QThread::msleep(1);
            }
            XCloseDisplay(display);
        });
        return true;
    }

    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    std::vector<Sample> samples() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples;
    }

    qint64 elapsedMs() const { return m_clock.elapsed(); }

private:
    const QByteArray m_display;
    const QRect m_area;
    const quint32 m_background;
    QElapsedTimer m_clock;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<Sample> m_samples;
};

} // namespace

class TestScreenTrace : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QProcess m_xvfb;
    QProcess m_viewer;
    QByteArray m_display;
    Display* m_x = nullptr;
    quint32 m_background = 0;

    void xdotool(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(m_display));
        process.setProcessEnvironment(env);
        process.start(findTool("xdotool"), arguments);
        process.waitForFinished(10000);
    }

    // The viewer's answer to one question, as numbers.
    QList<int> ask(const QByteArray& question)
    {
        m_viewer.write(question + '\n');
        QElapsedTimer clock;
        clock.start();
        while (!m_viewer.canReadLine() && clock.elapsed() < 20000)
            m_viewer.waitForReadyRead(500);
        QList<int> numbers;
        for (const QByteArray& word : m_viewer.readLine().simplified().split(' '))
            numbers << word.toInt();
        return numbers;
    }

    QRect rectOf(const QByteArray& control)
    {
        const QList<int> r = ask("rect " + control);
        return r.size() == 4 ? QRect(r[0], r[1], r[2], r[3]) : QRect();
    }

    // A key press and release by its key code, so Num Lock decides what the keypad gives.
    void key(KeySym symbol) { xdotool({"key", QString::number(XKeysymToKeycode(m_x, symbol))}); }

    void click(const QPoint& at, int clicks = 1)
    {
        xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat",
                 QString::number(clicks), "--delay", "60", "1"});
    }

    // Waits until the view area has shown the photo for a while.
    bool waitForPhoto(int photo)
    {
        const QRect area = rectOf("ScrollBox");
        QElapsedTimer clock;
        clock.start();
        int steady = 0;
        while (steady < 3 && clock.elapsed() < 30000) {
            steady = look(m_x, area).photo == photo ? steady + 1 : 0;
            QThread::msleep(100);
        }
        return steady == 3;
    }

    // Traces the view area while `input` runs, from the old photo on show until the new one
    // has stood for a while. Returns what went wrong, or nothing.
    QString traceStep(const char* what, int oldPhoto, int newPhoto,
                      const std::function<void()>& input)
    {
        if (!waitForPhoto(oldPhoto))
            return QStringLiteral("the old photo was not on show before the step");
        const QRect area = rectOf("ScrollBox");
        ScreenTrace trace(m_display, area, m_background);
        if (!trace.start())
            return QStringLiteral("no second connection to the X server");
        QElapsedTimer clock;
        clock.start();
        while (trace.samples().size() < 10 && clock.elapsed() < 10000)
            QThread::msleep(20);
        const qint64 inputAt = trace.elapsedMs();
        input();
        // Done once the new photo has stood for 400 ms.
        std::vector<Sample> samples;
        for (;;) {
            QThread::msleep(50);
            samples = trace.samples();
            const qint64 now = trace.elapsedMs();
            qint64 since = now;
            for (auto it = samples.rbegin(); it != samples.rend() && it->photo == newPhoto; ++it)
                since = it->ms;
            if (now - since >= 400 || now - inputAt > 30000)
                break;
        }
        trace.stop();

        const auto firstNew = std::find_if(samples.begin(), samples.end(), [&](const Sample& s) {
            return s.ms >= inputAt && s.photo == newPhoto;
        });
        const auto firstDuring = std::find_if(samples.begin(), samples.end(),
                                              [&](const Sample& s) { return s.ms >= inputAt; });
        const qsizetype during = firstNew - firstDuring;
        int others = 0;
        for (auto it = firstDuring; it != firstNew; ++it)
            others += it->photo != oldPhoto;
        qInfo("%s: %zu samples over %dx%d, %d between the input and the new photo %lld ms "
              "later, %d of them not the old photo",
              what, samples.size(), area.width(), area.height(), int(during),
              firstNew == samples.end() ? -1LL : (long long)(firstNew->ms - inputAt), others);

        const auto bare = std::find_if(samples.begin(), samples.end(),
                                       [](const Sample& s) { return s.background; });
        if (bare != samples.end())
            return QStringLiteral("the view area was bare background in %1 samples, from %2 ms "
                                  "after the input")
                .arg(std::count_if(bare, samples.end(),
                                   [](const Sample& s) { return s.background; }))
                .arg(bare->ms - inputAt);
        if (firstNew == samples.end())
            return QStringLiteral("the new photo never came");
        if (firstDuring == samples.begin() || samples.front().photo != oldPhoto)
            return QStringLiteral("the trace did not start on the old photo");
        if (std::none_of(firstDuring, firstNew,
                         [&](const Sample& s) { return s.photo == oldPhoto; }))
            return QStringLiteral("the old photo was gone at once: no trace of the step");
        if (during < kMinSamplesDuringStep)
            return QStringLiteral("only %1 samples during the step").arg(during);
        if (std::any_of(firstNew, samples.end(),
                        [&](const Sample& s) { return s.photo == oldPhoto; }))
            return QStringLiteral("the old photo came back after the new one");
        return {};
    }

    // Opens the folder panel and returns where the node's row lies.
    QPoint showTreeRow(int node)
    {
        click(rectOf("FolderToolBtn").center());
        QElapsedTimer clock;
        clock.start();
        QList<int> row;
        while (row.size() != 2 && clock.elapsed() < 20000) {
            QThread::msleep(100);
            row = ask("row " + QByteArray::number(node)); // none until the tree is shown
        }
        return row.size() == 2 ? QPoint(row[0], row[1]) : QPoint();
    }

private slots:
    void initTestCase()
    {
        const QString xvfb = findTool("Xvfb");
        if (xvfb.isEmpty() || findTool("xdotool").isEmpty())
            QSKIP("Xvfb and xdotool are needed");
        QVERIFY(XInitThreads());
        const QString display = startXvfb(m_xvfb);
        QVERIFY2(!display.isEmpty(), "Xvfb did not start");
        m_display = display.toLatin1();

        const QString library = m_dir.filePath(QStringLiteral("library"));
        QVERIFY(QDir().mkpath(library + QStringLiteral("/trip")));
        for (int k = 0; k < kPhotos; ++k)
            QVERIFY(JpegWriter::write(tintedPhoto(k),
                                      library + QStringLiteral("/trip/p%1.jpg").arg(k + 1)));
        writeTextFile(m_dir.filePath(QStringLiteral("qirva.ini")),
                      "[Form]\nTop=0\nLeft=0\n[Setting]\nLoadSetPath=" + library.toUtf8() + "\n");

        m_x = XOpenDisplay(m_display.constData());
        QVERIFY(m_x);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(m_display));
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        m_viewer.setProcessEnvironment(env);
        m_viewer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_viewer.start(QStringLiteral(QIRVA_TRACE_VIEWER), {m_dir.path()});
        QVERIFY(m_viewer.waitForStarted());

        // The background is what the view area shows before any photo: one colour, which is
        // none of the photos'.
        const QRect area = rectOf("ScrollBox");
        QVERIFY(area.width() > 100 && area.height() > 100);
        Look before;
        int same = 0;
        QElapsedTimer clock;
        clock.start();
        while (same < 3 && clock.elapsed() < 20000) {
            QThread::msleep(200);
            const Look now = look(m_x, area);
            QVERIFY2(now.valid, "the screen is not 24-bit colour");
            same = now.uniform && now.first == before.first ? same + 1 : 0;
            before = now;
        }
        QVERIFY2(same == 3, "the empty view area did not settle on one colour");
        QCOMPARE(before.photo, -1);
        m_background = before.first;
        qInfo("view area %dx%d at %d,%d, background #%06x", area.width(), area.height(), area.x(),
              area.y(), m_background);

        key(XK_Num_Lock);
        click(showTreeRow(3), 2);
        QVERIFY2(waitForPhoto(2), "the last photo did not open");
    }

    void cleanupTestCase()
    {
        if (m_viewer.state() != QProcess::NotRunning) {
            m_viewer.closeWriteChannel();
            if (!m_viewer.waitForFinished(10000))
                m_viewer.kill();
            m_viewer.waitForFinished();
        }
        if (m_x)
            XCloseDisplay(m_x);
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(5000);
        }
    }

    // To the album's first and last photo: the next and the previous photo come decoded
    // ahead or kept and take the old one's place within a sample or two, too quickly for a
    // trace; these are decoded as the step runs.
    void stepAtActualSize()
    {
        const QString fault = traceStep("keypad 7 at 100%", 2, 0, [&] { key(XK_KP_7); });
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void stepFitted()
    {
        key(XK_KP_0);
        const QString fault = traceStep("keypad 9 fitted", 0, 2, [&] { key(XK_KP_9); });
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    // The first click shows the new photo's preview in the panel, the second opens it and
    // closes the panel; the trace covers the view area as it was beside the panel.
    void openFromTreeFitted()
    {
        const QPoint row = showTreeRow(1);
        const QString fault = traceStep("double-click fitted", 2, 0, [&] { click(row, 2); });
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void openFromTreeAtActualSize()
    {
        key(XK_KP_0);
        const QPoint row = showTreeRow(2);
        const QString fault = traceStep("double-click at 100%", 0, 1, [&] { click(row, 2); });
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_GUILESS_MAIN(TestScreenTrace)
#include "tst_screentrace.moc"
