#include "BenchSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "app/TMainForm.h"
#include "library/FolderTreeModel.h"
#include "library/FolderTreeView.h"
#include "view/PhotoImage.h"

extern char** environ;

namespace Bench {

CommandLine parseCommandLine(const QStringList& args, const QStringList& valued,
                             void (*usage)())
{
    CommandLine line;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (valued.contains(word)) {
            if (++i >= args.size())
                usage();
            line.values.insert(word, args[i]);
        } else if (word.startsWith(QLatin1String("--"))) {
            line.flags << word;
        } else {
            line.positional << word;
        }
    }
    return line;
}

namespace {

double ms(const timeval& t)
{
    return t.tv_sec * 1e3 + t.tv_usec / 1e3;
}

} // namespace

double processCpuMs()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

CpuSplit processCpuSplit()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

long residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

void Best::add(double wall, double cpu)
{
    wallMs = std::min(wallMs, wall);
    cpuMs = std::min(cpuMs, cpu);
}

Best bestOf(int runs, const std::function<void()>& work)
{
    Best best;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = processCpuMs();
        work();
        best.add(clock.nsecsElapsed() / 1e6, processCpuMs() - cpu);
    }
    return best;
}

ProgramRun runProgram(const std::vector<QByteArray>& arguments)
{
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ProgramRun run;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return run;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.wallMs = clock.nsecsElapsed() / 1e6;
    run.userMs = ms(usage.ru_utime);
    run.systemMs = ms(usage.ru_stime);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

DjpegTiming djpeg(const QString& file, int runs)
{
    DjpegTiming timing;
    const QByteArray path = QFile::encodeName(file);
    double leastCpu = 1e300;
    for (int i = 0; i < runs; ++i) {
        const ProgramRun run = runProgram({"djpeg", "-rgb", "-outfile", "/dev/null", path});
        if (!run.ok)
            return timing;
        timing.best.add(run.wallMs, run.cpuMs());
        if (run.cpuMs() < leastCpu) {
            leastCpu = run.cpuMs();
            timing.split = {run.userMs, run.systemMs};
        }
    }
    timing.ok = true;
    return timing;
}

void result(const QString& key, double value)
{
    std::printf("result %s %.3f\n", qPrintable(key), value);
    std::fflush(stdout);
}

void waitFor(const std::function<bool()>& done, const char* what, int seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000) {
            std::fprintf(stderr, "gave up after %d s waiting for %s\n", seconds, what);
            std::exit(2);
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

void idle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        int(std::max<qint64>(1, ms - clock.elapsed())));
}

PaintCounter::PaintCounter(PhotoImage* image) : m_image(image)
{
    image->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_image && event->type() == QEvent::Paint && m_image->picture() &&
        m_image->picture()->isDecoded())
        ++decodedPaints;
    return false;
}

namespace {

std::unique_ptr<QTemporaryDir> settingsFor(const QString& library)
{
    auto dir = std::make_unique<QTemporaryDir>();
    QFile ini(dir->filePath(QStringLiteral("qirva.ini")));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[Setting]\nLoadSetPath=" + library.toUtf8() + "\n") < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ini.fileName()));
        std::exit(2);
    }
    return dir;
}

} // namespace

Window::Window(const QString& library)
    : m_appDir(settingsFor(library)), m_form(std::make_unique<TMainForm>(m_appDir->path())),
      photoPaints(m_form->Image1), previewPaints(m_form->Image2)
{
    m_form->show();
    waitFor([&] { return m_form->windowHandle() && m_form->windowHandle()->isExposed(); },
            "the window to be shown");
    QCoreApplication::processEvents();
}

Window::~Window() = default;

int Window::node(const QString& album, const QString& file) const
{
    const FolderTree& tree = m_form->Tree;
    for (int i = 0; i < tree.count(); ++i) {
        const FolderTree::Node& n = tree.node(i);
        if (!n.isAlbum && n.file.DirName == album && n.file.FileName == file)
            return i;
    }
    std::fprintf(stderr, "no photo %s/%s in the library\n", qPrintable(album), qPrintable(file));
    std::exit(2);
}

void Window::setFitMode(bool fit)
{
    m_form->FitWinToolBtn->setChecked(fit);
    QCoreApplication::processEvents();
}

void Window::setFolderPanel(bool shown)
{
    if (m_form->FolderToolBtn->isChecked() != shown)
        m_form->FolderToolBtn->click();
    QCoreApplication::processEvents();
}

void Window::open(int node)
{
    untilPainted([&] {
        m_form->TreeView->selectNode(node);
        m_form->TreeViewDblClick();
    });
}

Window::Click Window::doubleClick(int node)
{
    setFolderPanel(true);
    FolderTreeView* tree = m_form->TreeView;
    const QModelIndex index = m_form->TreeModel->indexOfNode(node);
    tree->expand(index.parent());
    tree->scrollTo(index);
    QCoreApplication::processEvents();
    const QPoint at = tree->visualRect(index).center();
    QWidget* viewport = tree->viewport();

    const int photoBefore = photoPaints.decodedPaints;
    const int previewBefore = previewPaints.decodedPaints;
    QElapsedTimer clock;
    clock.start();
    const double cpu = processCpuMs();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    waitFor([&] { return previewPaints.decodedPaints > previewBefore; }, "the preview");
    const double preview = clock.nsecsElapsed() / 1e6;
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    waitFor([&] { return photoPaints.decodedPaints > photoBefore; }, "the photo");
    return {clock.nsecsElapsed() / 1e6, preview, processCpuMs() - cpu};
}

Window::Click Window::untilPainted(const std::function<void()>& command)
{
    const int before = photoPaints.decodedPaints;
    QElapsedTimer clock;
    clock.start();
    const double cpu = processCpuMs();
    command();
    waitFor([&] { return photoPaints.decodedPaints > before; }, "the photo");
    return {clock.nsecsElapsed() / 1e6, 0, processCpuMs() - cpu};
}

} // namespace Bench
