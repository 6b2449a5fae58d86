// JpegPicture (load + decode at full size) against djpeg -rgb on one file, printed as
// "result KEY VALUE" lines for ./bench.sh: the first decode of this fresh process with its
// user and kernel time, the best of N after it, and djpeg's best of N with its own split.
//
//   bench_decode FILE [--runs N] [--key KEY]
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "BenchSupport.h"
#include "picture/JpegPicture.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString file, key = QStringLiteral("decode");
    int runs = 5;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--key") && i + 1 < args.size())
            key = args[++i];
        else
            file = args[i];
    }
    if (file.isEmpty()) {
        std::fprintf(stderr, "usage: bench_decode FILE [--runs N] [--key KEY]\n");
        return 2;
    }

    const auto decode = [&] {
        const QString error = JpegPicture::load(file)->decode();
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(error));
            std::exit(1);
        }
    };
    const Bench::CpuSplit before = Bench::processCpuSplit();
    QElapsedTimer clock;
    clock.start();
    decode();
    const double firstWall = clock.nsecsElapsed() / 1e6;
    const Bench::CpuSplit after = Bench::processCpuSplit();
    Bench::result(key + QStringLiteral(".first.wall"), firstWall);
    Bench::result(key + QStringLiteral(".first.user"), after.userMs - before.userMs);
    Bench::result(key + QStringLiteral(".first.sys"), after.systemMs - before.systemMs);

    const Bench::Best ours = Bench::bestOf(runs, decode);
    Bench::result(key + QStringLiteral(".wall"), ours.wallMs);
    Bench::result(key + QStringLiteral(".cpu"), ours.cpuMs);

    const Bench::DjpegTiming djpeg = Bench::djpeg(file, runs);
    if (!djpeg.ok) {
        std::fprintf(stderr, "djpeg did not run (apt-get install libjpeg-turbo-progs)\n");
        return 1;
    }
    Bench::result(key + QStringLiteral(".djpeg.wall"), djpeg.best.wallMs);
    Bench::result(key + QStringLiteral(".djpeg.cpu"), djpeg.best.cpuMs);
    Bench::result(key + QStringLiteral(".djpeg.user"), djpeg.split.userMs);
    Bench::result(key + QStringLiteral(".djpeg.sys"), djpeg.split.systemMs);
    return 0;
}
