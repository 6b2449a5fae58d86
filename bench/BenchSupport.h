#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class PhotoImage;
class QTemporaryDir;
class TMainForm;

// What the benchmark programs share: clocks, the djpeg reference, the real main window on a
// library, and the machine-readable lines that ./bench.sh gathers into its table.
namespace Bench {

// A bench program's command line: its words, and its options. An option named in `valued`
// takes the word after it (a missing one calls `usage`); any other word starting with "--" is
// a flag.
struct CommandLine
{
    QStringList positional;
    QStringList flags;
    QHash<QString, QString> values;
};
CommandLine parseCommandLine(const QStringList& args, const QStringList& valued,
                             void (*usage)());

// Processor time of this process (all its threads), ms.
double processCpuMs();
// User and kernel processor time of this process so far, ms.
struct CpuSplit
{
    double userMs = 0;
    double systemMs = 0;
};
CpuSplit processCpuSplit();
// Resident memory of this process, from /proc/self/statm; 0 when it cannot be read.
long residentKiB();

// The best wall clock and the best processor time of several runs, each kept on its own: the
// machine is shared, so a run's wall clock can include waiting for a core, its processor time
// does not.
struct Best
{
    double wallMs = 1e300;
    double cpuMs = 1e300;
    void add(double wall, double cpu);
};
Best bestOf(int runs, const std::function<void()>& work);

// A program run to its end with its output thrown away: wall clock and its processor time.
struct ProgramRun
{
    bool ok = false;
    double wallMs = 0;
    double userMs = 0;
    double systemMs = 0;
    double cpuMs() const { return userMs + systemMs; }
};
ProgramRun runProgram(const std::vector<QByteArray>& arguments);
// djpeg -rgb -outfile /dev/null of the file, best of `runs` (wall and processor time each on
// its own; user and kernel time of the run with the least processor time). Not ok without
// djpeg.
struct DjpegTiming
{
    bool ok = false;
    Best best;
    CpuSplit split;
};
DjpegTiming djpeg(const QString& file, int runs = 5);

// One figure for ./bench.sh: "result KEY VALUE" on a line of its own.
void result(const QString& key, double value);

// Runs the event loop until done() holds; exits the program after `seconds` without it.
void waitFor(const std::function<bool()>& done, const char* what, int seconds = 60);
// Runs the event loop for that long, as a user who waits.
void idle(int ms);

// Paints of a picture control that drew a decoded picture.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(PhotoImage* image);
    int decodedPaints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PhotoImage* m_image;
};

// The real main window on a library, shown and painted, with the paints of the photo and the
// preview counted.
class Window
{
    std::unique_ptr<QTemporaryDir> m_appDir;
    std::unique_ptr<TMainForm> m_form;

public:
    explicit Window(const QString& library);
    ~Window();

    TMainForm& form() { return *m_form; }
    // Flat index of a photo node, by album and file name; exits the program when it is missing.
    int node(const QString& album, const QString& file) const;

    void setFitMode(bool fit);
    void setFolderPanel(bool shown);

    // Opens a photo through the tree's own handler and waits until it is painted (set-up, not
    // timed).
    void open(int node);
    // A real double-click on the node's row, from the first press until the photo is painted.
    // Between the two clicks the event loop runs as it would while the user's finger comes
    // down again: the first click's preview is decoded and painted.
    struct Click
    {
        double wallMs;    // first press to the photo painted
        double previewMs; // first press to the preview painted
        double cpuMs;     // processor time of the whole double-click
    };
    Click doubleClick(int node);
    // Runs a command and waits until a new photo is painted: wall and processor time.
    Click untilPainted(const std::function<void()>& command);

    PaintCounter photoPaints;
    PaintCounter previewPaints;
};

} // namespace Bench
