// Times the library scan against a bare walk of the same folders.
//
// Usage: bench_scan [library-folder] [--locale NAME]
// The library (1,000 albums x 100 tiny photos) is generated on first use and reused after.

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "library/FolderScan.h"
#include "library/FolderTree.h"
#include "library/FolderTreeModel.h"
#include "platform/QirvaError.h"

namespace {

constexpr int Albums = 1000;
constexpr int PhotosPerAlbum = 100;

bool writeFile(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

// Album names like a camera-transfer tool's dates with a title, photo names from two camera
// makes mixed, in mixed letter case.
bool generateLibrary(const QByteArray& root)
{
    const QByteArray marker = root + "/.bench-complete";
    if (::access(marker.constData(), F_OK) == 0)
        return true;
    std::printf("generating %d albums x %d photos in %s ...\n", Albums, PhotosPerAlbum,
                root.constData());
    ::mkdir(root.constData(), 0755);
    for (int a = 0; a < Albums; ++a) {
        const QByteArray album = root + '/' + QByteArray::number(2000 + a / 120) + '_' +
                                 QByteArray::number(a / 10 % 12 + 1) + '_' +
                                 QByteArray::number(a % 10 + 1) + (a % 3 ? " Trip" : " 旅行");
        if (::mkdir(album.constData(), 0755) != 0 && errno != EEXIST)
            return false;
        for (int p = 0; p < PhotosPerAlbum; ++p) {
            const int no = a * PhotosPerAlbum + p;
            const QByteArray name =
                p % 2 ? "DSC" + QByteArray::number(no).rightJustified(5, '0') + ".jpg"
                      : "IMG_" + QByteArray::number(no % 10000).rightJustified(4, '0') + ".JPG";
            if (!writeFile(album + '/' + name, QByteArray(8 + p % 5, '\xff')))
                return false;
        }
    }
    return writeFile(marker, "done\n");
}

// The least the scan could cost: one listing of the library, one per album, one stat per file.
qint64 bareWalk(const QByteArray& root)
{
    qint64 total = 0;
    DIR* top = ::opendir(root.constData());
    if (!top)
        return -1;
    while (const dirent* a = ::readdir(top)) {
        if (a->d_name[0] == '.' || a->d_type != DT_DIR)
            continue;
        const int fd = ::openat(dirfd(top), a->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* album = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!album)
            continue;
        while (const dirent* p = ::readdir(album)) {
            struct stat st;
            if (p->d_name[0] != '.' && ::fstatat(dirfd(album), p->d_name, &st, 0) == 0)
                total += st.st_size;
        }
        ::closedir(album);
    }
    ::closedir(top);
    return total;
}

struct Timing
{
    double wallMs = std::numeric_limits<double>::max();
    double cpuMs = std::numeric_limits<double>::max();
};

double cpuNowMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Keeps the best wall-clock and the best processor time seen for one task.
void timeOnce(Timing& best, const std::function<void()>& run)
{
    QElapsedTimer timer;
    const double cpuStart = cpuNowMs();
    timer.start();
    run();
    best.wallMs = std::min(best.wallMs, double(timer.nsecsElapsed()) / 1e6);
    best.cpuMs = std::min(best.cpuMs, cpuNowMs() - cpuStart);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString library = QStringLiteral("/tmp/qirva-bench-library");
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--locale") && i + 1 < args.size())
            QLocale::setDefault(QLocale(args[++i]));
        else
            library = args[i];
    }
    const QByteArray root = QFile::encodeName(library);
    if (!generateLibrary(root)) {
        std::fprintf(stderr, "cannot generate the library in %s\n", root.constData());
        return 1;
    }

    qint64 bytes = 0;
    FolderTree tree;
    FolderTreeModel model(tree);
    const auto walk = [&] { bytes = bareWalk(root); };
    const auto scan = [&] {
        model.beginRebuild();
        try {
            FolderScan::MakeFolderTree(library, tree);
        } catch (const QirvaError& e) {
            std::fprintf(stderr, "scan stopped: %s\n", e.what());
        }
        model.endRebuild();
    };
    // Best of 3 after a warm-up, the two taken in turn so that a burst of load elsewhere on
    // the machine weighs on both alike. Processor time is shown too: it is what the scan
    // itself costs, whatever else the machine is doing.
    walk();
    scan();
    Timing walkTime, scanTime;
    for (int i = 0; i < 3; ++i) {
        timeOnce(walkTime, walk);
        timeOnce(scanTime, scan);
    }

    const double ratio = scanTime.wallMs / walkTime.wallMs;
    std::printf("library: %s (%d albums, %d nodes, %lld bytes), locale %s\n", root.constData(),
                tree.albumCount(), tree.count(), static_cast<long long>(bytes),
                qPrintable(QLocale().name()));
    std::printf("bare readdir+stat walk: %.1f ms (processor %.1f ms)\n", walkTime.wallMs,
                walkTime.cpuMs);
    std::printf("MakeFolderTree + model reset: %.1f ms (processor %.1f ms)\n", scanTime.wallMs,
                scanTime.cpuMs);
    std::printf("ratio: %.2f, processor %.2f (target <= 2.00): %s\n", ratio,
                scanTime.cpuMs / walkTime.cpuMs, ratio <= 2.0 ? "met" : "NOT met");
    return 0;
}
