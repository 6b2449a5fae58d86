// mkbenchphotos SOURCE OUTDIR: writes what ./bench.sh measures on, and prints each photo's bits
// per pixel.
//
//   OUTDIR/photos   albums "nopreview" and "preview" (the same photos, the second with Preview/
//                   copies) of 2, 12 and 24 MP photos at quality 90, baseline (b..) and
//                   progressive (p..), two of each; and "reset", two small photos. Beside
//                   b24_1 in "nopreview", its twins: o24_6 (the same pixels tagged with
//                   EXIF Orientation 6), a24_1 (an Adobe RGB profile embedded) and s24_1
//                   (an sRGB profile embedded)
//   OUTDIR/library  1,000 albums x 100 tiny files, for the scan (which does not decode)
//
// The photos are cut from SOURCE, a large photograph, mirror-tiled to cover the largest size:
// never scaled up, which would smooth away the detail that makes a photo costly to decode.
// Without a readable SOURCE ("-" for none) they are JpegWriter's synthetic pictures, which
// compress far better than photographs; this is said in the output. A stamp in OUTDIR keeps
// a complete set from being written again.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <cerrno>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "JpegWriter.h"

namespace {

// Raise whenever what is written changes, so older sets are written again.
constexpr int LayoutVersion = 2;
constexpr int Albums = 1000;
constexpr int PhotosPerAlbum = 100;

struct Photo
{
    QString name;
    int width;
    int height;
    JpegWriter::Kind kind;
};

std::vector<Photo> photoList()
{
    std::vector<Photo> list;
    const struct
    {
        const char* tag;
        int width, height;
    } sizes[] = {{"02", 1600, 1200}, {"12", 4000, 3000}, {"24", 6000, 4000}};
    for (const auto kind : {JpegWriter::Kind::Baseline, JpegWriter::Kind::Progressive})
        for (const auto& size : sizes)
            for (int n = 1; n <= 2; ++n)
                list.push_back({QStringLiteral("%1%2_%3.jpg")
                                    .arg(kind == JpegWriter::Kind::Baseline ? 'b' : 'p')
                                    .arg(QLatin1String(size.tag))
                                    .arg(n),
                                size.width, size.height, kind});
    return list;
}

// The source repeated mirror-wise (so no seam shows) until it covers width x height.
QImage mirrorTiled(const QImage& source, int width, int height)
{
    const int across = (width + source.width() - 1) / source.width();
    const int down = (height + source.height() - 1) / source.height();
    QImage canvas(across * source.width(), down * source.height(), QImage::Format_RGB32);
    QPainter painter(&canvas);
    for (int y = 0; y < down; ++y)
        for (int x = 0; x < across; ++x)
            painter.drawImage(x * source.width(), y * source.height(),
                              source.mirrored(x % 2 == 1, y % 2 == 1));
    return canvas;
}

class Pictures
{
public:
    explicit Pictures(const QString& sourcePath)
    {
        QImageReader reader(sourcePath);
        reader.setAllocationLimit(1024);
        const QImage source = sourcePath == QLatin1String("-") ? QImage() : reader.read();
        if (!source.isNull())
            m_canvas = mirrorTiled(source.convertToFormat(QImage::Format_RGB32), 6000, 4000);
    }
    bool fromPhotograph() const { return !m_canvas.isNull(); }

    // A different cut for each seed.
    QImage cut(int width, int height, unsigned seed) const
    {
        if (m_canvas.isNull())
            return JpegWriter::photoLike(width, height, seed);
        const int x = int(seed * 1733u % unsigned(m_canvas.width() - width + 1));
        const int y = int(seed * 977u % unsigned(m_canvas.height() - height + 1));
        return m_canvas.copy(x, y, width, height);
    }

private:
    QImage m_canvas;
};

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
bool writeLibrary(const QByteArray& root)
{
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
    return true;
}

bool writePhotos(const Pictures& pictures, const QString& root)
{
    const QString plain = root + QStringLiteral("/nopreview");
    const QString withPreview = root + QStringLiteral("/preview");
    const QString reset = root + QStringLiteral("/reset");
    for (const QString& dir : {plain, withPreview + QStringLiteral("/Preview"), reset})
        if (!QDir().mkpath(dir))
            return false;
    unsigned seed = 1;
    for (const Photo& photo : photoList()) {
        const QImage image = pictures.cut(photo.width, photo.height, seed++);
        const QString path = plain + QLatin1Char('/') + photo.name;
        const QString same = withPreview + QLatin1Char('/') + photo.name;
        QFile::remove(same);
        if (!JpegWriter::write(image, path, photo.kind, 90) ||
            (::link(QFile::encodeName(path).constData(), QFile::encodeName(same).constData()) !=
                 0 &&
             !QFile::copy(path, same)))
            return false;
        if (photo.name == QLatin1String("b24_1.jpg")) {
            const JpegWriter::Markers twins[] = {{6, {}, {}},
                                                 {0, {}, JpegWriter::adobeRgbProfile()},
                                                 {0, {}, JpegWriter::srgbProfile()}};
            const char* names[] = {"o24_6.jpg", "a24_1.jpg", "s24_1.jpg"};
            for (int i = 0; i < 3; ++i)
                if (!JpegWriter::write(image, plain + QLatin1Char('/') + QLatin1String(names[i]),
                                       photo.kind, 90, twins[i]))
                    return false;
        }
        // A preview copy as album tools make them: small, baseline.
        if (!JpegWriter::write(
                image.scaled(800, 600, Qt::KeepAspectRatio, Qt::SmoothTransformation),
                withPreview + QStringLiteral("/Preview/") + photo.name, JpegWriter::Kind::Baseline,
                85))
            return false;
    }
    for (int n = 1; n <= 2; ++n)
        if (!JpegWriter::write(pictures.cut(640, 480, 100 + unsigned(n)),
                               reset + QStringLiteral("/r%1.jpg").arg(n),
                               JpegWriter::Kind::Baseline, 90))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkbenchphotos SOURCE|- OUTDIR\n");
        return 2;
    }
    const QString source = QFile::decodeName(argv[1]);
    const QString out = QFile::decodeName(argv[2]);
    const bool haveSource = source != QLatin1String("-") && QFileInfo(source).isReadable();
    const QString stampPath = out + QStringLiteral("/.complete");
    const QByteArray stamp = QByteArray::number(LayoutVersion) + ' ' +
                             (haveSource ? QFile::encodeName(source) : QByteArray("synthetic")) +
                             '\n';
    QFile stampFile(stampPath);
    const bool complete = stampFile.open(QIODevice::ReadOnly) && stampFile.readAll() == stamp;
    stampFile.close();
    if (!complete) {
        QFile::remove(stampPath);
        std::printf("writing the benchmark photos and library into %s ...\n", qPrintable(out));
        std::fflush(stdout);
        const Pictures pictures(haveSource ? source : QStringLiteral("-"));
        if (haveSource && !pictures.fromPhotograph()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(source));
            return 1;
        }
        if (!QDir().mkpath(out) || !writePhotos(pictures, out + QStringLiteral("/photos")) ||
            !writeLibrary(QFile::encodeName(out + QStringLiteral("/library"))) ||
            !stampFile.open(QIODevice::WriteOnly) || stampFile.write(stamp) != stamp.size()) {
            std::fprintf(stderr, "cannot write into %s\n", qPrintable(out));
            return 1;
        }
    }
    std::printf("photos %s, quality 90:\n",
                haveSource ? qPrintable(QStringLiteral("cut from ") + source)
                           : "SYNTHETIC (no source photograph: these compress far better than "
                             "photographs, so decoding them is cheaper)");
    for (const Photo& photo : photoList()) {
        const qint64 bytes =
            QFileInfo(out + QStringLiteral("/photos/nopreview/") + photo.name).size();
        std::printf("  %-10s %4d x %4d  %-11s %5.1f MB  %.2f bits per pixel\n",
                    qPrintable(photo.name), photo.width, photo.height,
                    photo.kind == JpegWriter::Kind::Baseline ? "baseline" : "progressive",
                    bytes / 1e6, bytes * 8.0 / (double(photo.width) * photo.height));
    }
    return 0;
}
