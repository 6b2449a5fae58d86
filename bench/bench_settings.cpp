// Times the settings write-back against the settings read on a large settings file.
//
// Usage: bench_settings [runs]
// The file (about 6 MB, a million short keys in a thousand sections, the program's own
// sections at its end so that every look-up walks it all) is made in a temporary folder.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/SettingsFile.h"

namespace {

constexpr int Keys = 1000000;
constexpr int KeysPerSection = 1000;

QByteArray makeFile()
{
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QByteArray bytes;
    bytes.reserve(7 * Keys);
    for (int i = 0; i < Keys; ++i) {
        if (i % KeysPerSection == 0)
            bytes += "[s" + QByteArray::number(i / KeysPerSection) + "]\n";
        char key[4];
        for (int k = 0, n = i; k < 4; ++k, n /= 62)
            key[k] = digits[n % 62];
        bytes.append(key, 4);
        bytes += '=';
        bytes += char('0' + i % 10);
        bytes += '\n';
    }
    bytes += "[Form]\nTop=10\nLeft=20\nCaption=Old\n[Setting]\nLoadSetPath=/old\nSLISetInte=50\n"
             "FileSizeView=1\nIncremental=0\nSlideLoop=0\n[Printer]\nAllAdjust=1\n"
             "AutoOrientation=1\n";
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const SettingsFile settingsFile(dir.path());
    const QByteArray original = makeFile();
    if (!writeFile(settingsFile.path(), original)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(settingsFile.path()));
        return 1;
    }
    std::printf("settings file: %.1f MB, %d keys\n", original.size() / 1e6, Keys + 10);

    std::vector<double> reads;
    std::vector<double> writes;
    Settings changed;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        changed = settingsFile.read();
        reads.push_back(clock.nsecsElapsed() / 1e6);

        // Every value the program writes differs from the file's.
        changed.Top += 1;
        changed.Left += 1;
        changed.Caption = QStringLiteral("New");
        changed.LoadSetPath = QStringLiteral("/new");
        changed.SLISetInte = 30;
        changed.AllAdjust = !changed.AllAdjust;
        changed.AutoOrientation = !changed.AutoOrientation;
        changed.FileSizeView = !changed.FileSizeView;
        changed.Incremental = !changed.Incremental;
        changed.SlideLoop = !changed.SlideLoop;
        clock.restart();
        settingsFile.write(changed);
        writes.push_back(clock.nsecsElapsed() / 1e6);
        if (!writeFile(settingsFile.path(), original))
            return 1;
    }
    const double read = median(reads);
    const double write = median(writes);
    std::printf("read (median of %d):       %8.1f ms\n", runs, read);
    std::printf("write-back (median of %d): %8.1f ms\n", runs, write);
    std::printf("write-back / read:         %8.2f   (target <= 2)\n", write / read);
    return 0;
}
