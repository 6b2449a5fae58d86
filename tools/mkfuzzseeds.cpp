// Writes the fuzzers' seed corpus: small JPEG files of every coding and damage the picture
// layer meets, and settings files of every shape people and editors leave. Run it to
// regenerate fuzz/corpus/{picture,inifile}/seed-*; the findings beside them are kept.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <cstdio>

#include "HostileJpeg.h"
#include "JpegWriter.h"

namespace {

bool save(const QString& folder, const QString& name, const QByteArray& data)
{
    QFile file(folder + "/seed-" + name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray encoded(JpegWriter::Kind kind, int width, int height,
                   const JpegWriter::Markers& markers = {})
{
    QTemporaryDir dir;
    const QString path = dir.filePath("seed.jpg");
    if (!JpegWriter::write(JpegWriter::photoLike(width, height, 5), path, kind, 75, markers))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkfuzzseeds <fuzz/corpus folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString pictures = root + "/picture", inis = root + "/inifile";
    if (!QDir().mkpath(pictures) || !QDir().mkpath(inis))
        return 1;

    bool ok = true;
    using Kind = JpegWriter::Kind;
    const QByteArray baseline = encoded(Kind::Baseline, 24, 16);
    ok &= save(pictures, "baseline.jpg", baseline);
    ok &= save(pictures, "progressive.jpg", encoded(Kind::Progressive, 24, 16));
    ok &= save(pictures, "grayscale.jpg", encoded(Kind::Grayscale, 16, 16));
    ok &= save(pictures, "cmyk.jpg", encoded(Kind::Cmyk, 16, 8));
    ok &= save(pictures, "arithmetic.jpg", encoded(Kind::Arithmetic, 16, 16));
    ok &= save(pictures, "restart.jpg", HostileJpeg::withRestartMarkers(32, 32));
    ok &= save(pictures, "restart-corrupt.jpg",
               HostileJpeg::corruptRestartMarkers(HostileJpeg::withRestartMarkers(32, 48)));
    ok &= save(pictures, "truncated.jpg", baseline.left(baseline.size() * 2 / 3));
    ok &= save(pictures, "twelve-bit.jpg", HostileJpeg::asTwelveBit(baseline));
    ok &= save(pictures, "many-scans.jpg", HostileJpeg::manyEmptyScans(16, 16, 120));
    ok &= save(pictures, "progressive-header.jpg", HostileJpeg::progressiveHeaderOnly(64, 64));
    ok &= save(pictures, "baseline-header.jpg", HostileJpeg::baselineHeaderOnly(64, 64));
    ok &= save(pictures, "text.jpg", "This is not a picture.\n");
    ok &= save(pictures, "exif-orientation.jpg", encoded(Kind::Baseline, 24, 16, {6, {}, {}}));
    ok &= save(pictures, "icc-profile.jpg",
               encoded(Kind::Baseline, 16, 16, {0, {}, JpegWriter::adobeRgbProfile()}));

    ok &= save(inis, "settings.ini",
               "[Form]\nTop=120\nLeft=$50\nCaption=QIRVA\n[Setting]\nLoadSetPath=/home/me/写真/\n"
               "SLISetInte=3000\nFileSizeView=1\nIncremental=0\nSlideLoop=1\nMode=0\n"
               "[Printer]\nAllAdjust=1\nAutoOrientation=0\n");
    ok &= save(inis, "crlf-quotes.ini",
               "; written on Windows\r\n[form]\r\n  top = 0x7FFFFFFF \r\nCaption=\"  QIRVA  \"\r\n"
               "[Setting]\r\nLoadSetPath='C:\\Photos\\'\r\nMode=1");
    // "写真" in CP932, a byte invalid in both encodings, and a comment.
    ok &= save(inis, "cp932.ini",
               QByteArray("[Setting]\nLoadSetPath=\x8e\xca\x90\x5e\n; \xff\xfe stray\n[Form]\nTop=-5\n"));
    static const char bomDuplicates[] =
        "\xef\xbb\xbf[Form]\nTop=1\n[Form]\nTop=2\nLeft\n=3\n[]\nx=\0y\n[Printer\n";
    ok &= save(inis, "bom-duplicates.ini", QByteArray(bomDuplicates, sizeof bomDuplicates - 1));
    return ok ? 0 : 1;
}
