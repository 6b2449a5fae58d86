// Times load + decode of the decompression-bomb shapes that get past a header check, each in a
// child process of its own, and prints its outcome, time and peak resident memory against the
// picture budget. Target: each refused or shown within 2 s, never above one budget. The
// machine may be shared: the processor time (user + system) is the figure that a busy machine
// does not inflate, and the target is judged on it.
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "HostileJpeg.h"
#include "picture/JpegPicture.h"
#include "picture/PictureBudget.h"
#include "platform/QirvaError.h"

namespace {

struct Shape
{
    const char* name;
    std::function<QByteArray()> make;
};

struct Result
{
    double ms;
    double cpuMs;
    long peakKiB;
    char outcome[96];
};

Result measure(const QString& path)
{
    Result result{};
    QElapsedTimer clock;
    clock.start();
    QString outcome;
    try {
        auto picture = JpegPicture::load(path);
        const QString error = picture->decode();
        outcome = error.isEmpty() ? QStringLiteral("shown %1x%2").arg(picture->width()).arg(picture->height())
                                  : QStringLiteral("refused at decode: ") + error;
    } catch (const QirvaError& e) {
        outcome = QStringLiteral("refused at load: ") + e.text();
    }
    result.ms = double(clock.nsecsElapsed()) / 1e6;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    result.peakKiB = usage.ru_maxrss;
    result.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                   (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    std::strncpy(result.outcome, outcome.toUtf8().constData(), sizeof result.outcome - 1);
    return result;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const Shape shapes[] = {
        {"progressive gray 16000x16000, 999 empty AC scans",
         [] { return HostileJpeg::manyEmptyScans(16000, 16000, 999); }},
        {"progressive gray 8000x8000, 999 empty AC scans (fits the budget)",
         [] { return HostileJpeg::manyEmptyScans(8000, 8000, 999); }},
        {"progressive gray 11000x11000, 999 empty AC scans (fits the budget)",
         [] { return HostileJpeg::manyEmptyScans(11000, 11000, 999); }},
        {"progressive colour header 16000x16000", [] { return HostileJpeg::progressiveHeaderOnly(16000, 16000); }},
        {"progressive colour header 9000x9000 (fits the budget)",
         [] { return HostileJpeg::progressiveHeaderOnly(9000, 9000); }},
        {"baseline colour header 15760x15760", [] { return HostileJpeg::baselineHeaderOnly(15760, 15760); }},
    };
    std::printf("picture budget: %lld MiB\n", PictureBudget::limit() >> 20);
    int over = 0;
    for (const Shape& shape : shapes) {
        const QByteArray data = shape.make();
        const QString path = dir.filePath("bomb.jpg");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return 1;
        file.close();

        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return 1;
        const pid_t child = ::fork();
        if (child == 0) {
            const Result r = measure(path);
            (void)!::write(pipeFds[1], &r, sizeof r);
            ::_exit(0);
        }
        Result r{};
        const bool got = ::read(pipeFds[0], &r, sizeof r) == ssize_t(sizeof r);
        ::waitpid(child, nullptr, 0);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        if (!got)
            return 1;
        const bool ok = r.cpuMs <= 2000 && qint64(r.peakKiB) * 1024 <= PictureBudget::limit();
        over += ok ? 0 : 1;
        std::printf("%-66s %7lld bytes  wall %6.0f ms  cpu %6.0f ms  peak %5ld MiB  %s%s\n",
                    shape.name, qint64(data.size()), r.ms, r.cpuMs, r.peakKiB / 1024, r.outcome,
                    ok ? "" : "  OVER TARGET");
    }
    return over == 0 ? 0 : 2;
}
