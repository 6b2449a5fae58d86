// The library scan against a bare walk of the same folders, warm cache, printed as
// "result KEY VALUE" lines for ./bench.sh.
//
//   bench_scan LIBRARY [--locale NAME]
// mkbenchphotos writes the library (1,000 albums x 100 tiny photos).
#include <QFile>
#include <QGuiApplication>
#include <QLocale>

#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "BenchSupport.h"
#include "library/FolderScan.h"
#include "library/FolderTree.h"
#include "library/FolderTreeModel.h"
#include "platform/QirvaError.h"

namespace {

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

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString library;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--locale") && i + 1 < args.size())
            QLocale::setDefault(QLocale(args[++i]));
        else
            library = args[i];
    }
    if (library.isEmpty()) {
        std::fprintf(stderr, "usage: bench_scan LIBRARY [--locale NAME]\n");
        return 2;
    }
    const QByteArray root = QFile::encodeName(library);

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
    // the machine weighs on both alike.
    walk();
    scan();
    Bench::Best walkTime, scanTime;
    for (int i = 0; i < 3; ++i) {
        const Bench::Best w = Bench::bestOf(1, walk);
        walkTime.add(w.wallMs, w.cpuMs);
        const Bench::Best s = Bench::bestOf(1, scan);
        scanTime.add(s.wallMs, s.cpuMs);
    }
    std::printf("library %s: %d albums, %d nodes, %lld bytes, locale %s\n", root.constData(),
                tree.albumCount(), tree.count(), static_cast<long long>(bytes),
                qPrintable(QLocale().name()));
    Bench::result(QStringLiteral("scan.nodes"), tree.count());
    Bench::result(QStringLiteral("scan.wall"), scanTime.wallMs);
    Bench::result(QStringLiteral("scan.cpu"), scanTime.cpuMs);
    Bench::result(QStringLiteral("walk.wall"), walkTime.wallMs);
    Bench::result(QStringLiteral("walk.cpu"), walkTime.cpuMs);
    return 0;
}
