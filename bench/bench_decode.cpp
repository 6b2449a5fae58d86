// Times JpegPicture (load + decode) against libjpeg-turbo's own djpeg on photo-like JPEGs of
// 2, 12 and 24 megapixels, and measures the memory a decoded 24 MP photo costs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "JpegWriter.h"
#include "picture/JpegPicture.h"
#include "BenchClock.h"

extern char** environ;

namespace {

constexpr int runs = 5;

// Wall-clock and processor time in ms. The machine is shared, so the wall clock of a run can
// include waiting for a core; the processor time does not.
struct Timing
{
    double wall = std::numeric_limits<double>::max();
    double cpu = std::numeric_limits<double>::max();
};

double childCpuMs = 0; // processor time of the last program runQuietly ran

// Best of the runs, each figure on its own. work() returns the processor time it used.
Timing bestOf(const std::function<double()>& work)
{
    Timing best;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpu = work();
        best.wall = std::min(best.wall, clock.nsecsElapsed() / 1e6);
        best.cpu = std::min(best.cpu, cpu);
    }
    return best;
}

// Runs a program to its end with its output thrown away; false when it cannot run or fails.
bool runQuietly(const std::vector<QByteArray>& arguments)
{
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    childCpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

double mib(qint64 bytes)
{
    return bytes / (1024.0 * 1024.0);
}

QString decodeFile(const QString& path, const JpegPicture::ProgressCallback& progress = {})
{
    auto picture = JpegPicture::load(path);
    return picture->decode(progress);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }

    struct Case
    {
        const char* name;
        int width;
        int height;
        QString path;
    };
    std::vector<Case> cases = {
        {"2 MP", 1632, 1224, {}}, {"12 MP", 4000, 3000, {}}, {"24 MP", 6000, 4000, {}}};
    for (Case& c : cases) {
        c.path = dir.filePath(QStringLiteral("photo-%1x%2.jpg").arg(c.width).arg(c.height));
        if (!JpegWriter::write(JpegWriter::photoLike(c.width, c.height, 11), c.path,
                               JpegWriter::Kind::Baseline, 90)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(c.path));
            return 1;
        }
    }

    // Memory first, while the allocator has not yet kept anything from earlier decodes.
    {
        const Case& big = cases.back();
        const qint64 fileBytes = QFileInfo(big.path).size();
        const qint64 before = residentBytes();
        auto picture = JpegPicture::load(big.path);
        QStringList reports;
        const QString error = picture->decode([&](JpegPicture::ProgressStage stage, int percent) {
            static const char* names[] = {"starting", "running", "ending"};
            reports << QStringLiteral("%1 %2%").arg(names[int(stage)]).arg(percent);
        });
        const qint64 growth = residentBytes() - before;
        const qint64 pictureBytes =
            qint64(picture->image().bytesPerLine()) * picture->image().height();
        std::printf("memory, %s: resident growth %.1f MiB, decoded picture %.1f MiB "
                    "(file %.1f MiB, released after decoding): %.2fx, target <= 1.25x: %s\n",
                    big.name, mib(growth), mib(pictureBytes), mib(fileBytes),
                    double(growth) / pictureBytes,
                    growth <= pictureBytes * 1.25 ? "met" : "NOT met");
        std::printf("progress reports, %s: %s%s\n\n", big.name, qPrintable(reports.join(", ")),
                    error.isEmpty() ? "" : qPrintable(", error " + error));
    }

    const auto runDjpeg = [](const std::vector<QByteArray>& arguments) {
        runQuietly(arguments);
        return childCpuMs;
    };
    const bool haveDjpeg = runQuietly({"djpeg", "-version"});
    if (!haveDjpeg)
        std::printf("djpeg not found (apt-get install libjpeg-turbo-progs): ours only\n");
    const Timing start = haveDjpeg ? bestOf([&] {
        return runDjpeg({"djpeg", "-version"});
    })
                                   : Timing{0, 0};
    std::printf("djpeg start-up alone (djpeg -version): %.1f ms wall, %.1f ms processor\n",
                start.wall, start.cpu);
    std::printf("best of %d runs, ms; ratio = ours / djpeg, net = djpeg less its start-up; "
                "target ratio <= 1.25 for 12 and 24 MP\n",
                runs);
    std::printf("%-6s %-9s %8s %8s %8s %6s %9s  %s\n", "photo", "clock", "ours", "djpeg", "net",
                "ratio", "ratio-net", "target");
    for (const Case& c : cases) {
        QString error;
        const Timing ours = bestOf([&] {
            const double before = processCpuMs();
            error = decodeFile(c.path);
            return processCpuMs() - before;
        });
        if (!error.isEmpty()) {
            std::printf("%s: decode failed: %s\n", c.name, qPrintable(error));
            return 1;
        }
        if (!haveDjpeg) {
            std::printf("%-6s %-9s %8.1f\n%-6s %-9s %8.1f\n", c.name, "wall", ours.wall, "",
                        "processor", ours.cpu);
            continue;
        }
        const QByteArray file = QFile::encodeName(c.path);
        const Timing djpeg = bestOf([&] {
            return runDjpeg({"djpeg", "-rgb", "-outfile", "/dev/null", file});
        });
        const bool targeted = c.width * c.height >= 12'000'000;
        const auto line = [&](const char* clock, double mine, double theirs, double startUp) {
            const double net = std::max(0.1, theirs - startUp);
            std::printf("%-6s %-9s %8.1f %8.1f %8.1f %6.2f %9.2f  %s\n", c.name, clock, mine,
                        theirs, net, mine / theirs, mine / net,
                        !targeted               ? "-"
                        : mine <= 1.25 * net    ? "met (also net)"
                        : mine <= 1.25 * theirs ? "met"
                                                : "NOT met");
        };
        line("wall", ours.wall, djpeg.wall, start.wall);
        line("processor", ours.cpu, djpeg.cpu, start.cpu);
    }
    return 0;
}
