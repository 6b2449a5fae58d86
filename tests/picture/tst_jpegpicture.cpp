#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

#include <cstdio>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>
#include <sys/stat.h>

#include "HostileJpeg.h"
#include "JpegWriter.h"
#include "picture/ColourProfile.h"
#include "picture/DecodeScale.h"
#include "picture/ExifOrientation.h"
#include "picture/JpegPicture.h"
#include "picture/PictureBudget.h"
#include "picture/PixelPool.h"
#include "platform/QirvaError.h"
#include "support/TestSupport.h"

Q_DECLARE_METATYPE(JpegWriter::Kind)

namespace {

using Stage = JpegPicture::ProgressStage;
using Reports = std::vector<std::pair<Stage, int>>;

QString jpegError(int code)
{
    return QStringLiteral("JPEG エラー #%1").arg(code);
}

// The mean absolute difference per channel over rows [top, bottom).
double meanDifference(const QImage& a, const QImage& b, int top, int bottom)
{
    double sum = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * (bottom - top));
}

bool near(QRgb pixel, QRgb expected, int tolerance = 12)
{
    return std::abs(qRed(pixel) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(pixel) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(pixel) - qBlue(expected)) <= tolerance && qAlpha(pixel) == 255;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Offset of the n-th (0-based) occurrence of the marker 0xFF <code>.
qsizetype markerOffset(const QByteArray& data, uchar code, int n = 0)
{
    const char marker[2] = {char(0xff), char(code)};
    qsizetype at = -1;
    for (int i = 0; i <= n; ++i) {
        at = data.indexOf(QByteArray(marker, 2), at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

QString loadError(const QString& path)
{
    try {
        JpegPicture::load(path);
    } catch (const QirvaError& e) {
        return e.text();
    }
    return {};
}

// Sets the picture budget for one test.
struct BudgetLimit
{
    explicit BudgetLimit(qint64 bytes) { PictureBudget::setLimit(bytes); }
    ~BudgetLimit() { PictureBudget::setLimit(PictureBudget::defaultLimit()); }
};

} // namespace

class TestJpegPicture : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString write(const QImage& image, const QString& name,
                  JpegWriter::Kind kind = JpegWriter::Kind::Baseline, int quality = 90,
                  const JpegWriter::Markers& markers = {})
    {
        const QString file = path(name);
        if (!JpegWriter::write(image, file, kind, quality, markers))
            qFatal("cannot write %s", qPrintable(file));
        return file;
    }

    static QString decodeRecording(JpegPicture& picture, Reports& reports)
    {
        return picture.decode(
            [&](Stage stage, int percent) { reports.emplace_back(stage, percent); });
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void decodesEveryCodingAtFullSize_data()
    {
        QTest::addColumn<JpegWriter::Kind>("kind");
        QTest::newRow("baseline") << JpegWriter::Kind::Baseline;
        QTest::newRow("progressive") << JpegWriter::Kind::Progressive;
        QTest::newRow("arithmetic") << JpegWriter::Kind::Arithmetic;
    }

    void decodesEveryCodingAtFullSize()
    {
        QFETCH(JpegWriter::Kind, kind);
        const QImage source = JpegWriter::photoLike(97, 61, 3);
        auto picture = JpegPicture::load(write(source, "coding.jpg", kind));

        // The header alone gives the size; the pixels wait for decode().
        QCOMPARE(picture->width(), 97);
        QCOMPARE(picture->height(), 61);
        QVERIFY(!picture->isDecoded());
        QVERIFY(picture->image().isNull());

        Reports reports;
        QCOMPARE(decodeRecording(*picture, reports), QString());
        QVERIFY(picture->isDecoded());
        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports.front(), std::pair(Stage::Starting, 0));
        QCOMPARE(reports.back(), std::pair(Stage::Ending, 100));
        const QImage& image = picture->image();
        QCOMPARE(image.format(), QImage::Format_RGB32);
        QCOMPARE(image.size(), QSize(97, 61));
        QVERIFY2(meanDifference(image, source, 0, 61) < 4, "decoded picture differs from source");
    }

    void secondDecodeDoesNothing()
    {
        auto picture = JpegPicture::load(write(JpegWriter::photoLike(40, 30, 1), "twice.jpg"));
        QCOMPARE(picture->decode(), QString());
        int reports = 0;
        QCOMPARE(picture->decode([&](Stage, int) { ++reports; }), QString());
        QCOMPARE(reports, 0);
        QCOMPARE(picture->image().size(), QSize(40, 30));
    }

    void reducedDecodeIsTheSmallestScaleThatCovers_data()
    {
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<QSize>("cover");
        QTest::addColumn<int>("eighths");
        QTest::newRow("24 MP into a preview") << QSize(6000, 4000) << QSize(162, 108) << 1;
        QTest::newRow("just over one eighth") << QSize(1600, 1200) << QSize(201, 150) << 2;
        QTest::newRow("height decides") << QSize(1600, 1200) << QSize(100, 451) << 4;
        QTest::newRow("rounded up like libjpeg") << QSize(97, 61) << QSize(13, 8) << 1;
        QTest::newRow("larger than the picture") << QSize(160, 120) << QSize(220, 165) << 8;
        QTest::newRow("seven eighths") << QSize(800, 600) << QSize(700, 500) << 7;
        QTest::newRow("no size yet") << QSize(1600, 1200) << QSize(0, 0) << 8;
    }
    void reducedDecodeIsTheSmallestScaleThatCovers()
    {
        QFETCH(QSize, natural);
        QFETCH(QSize, cover);
        QFETCH(int, eighths);
        QCOMPARE(DecodeScale::eighthsToCover(natural, cover), eighths);
    }

    void reducedDecodeKeepsTheNaturalSizeAndGrowsOnDemand()
    {
        const QImage source = JpegWriter::photoLike(800, 600, 5);
        auto picture = JpegPicture::load(write(source, "reduced.jpg"));
        picture->setMinimumDecodeSize(QSize(150, 100));
        QCOMPARE(picture->decode(), QString());
        QCOMPARE(picture->width(), 800); // fitting works from the natural size
        QCOMPARE(picture->height(), 600);
        QCOMPARE(picture->image().size(), QSize(200, 150));
        const QImage quarter = source.scaled(200, 150, Qt::IgnoreAspectRatio,
                                             Qt::SmoothTransformation);
        QVERIFY2(meanDifference(picture->image(), quarter, 0, 150) < 12,
                 "reduced picture differs from the scaled source");

        // Smaller again: nothing to do. Larger: decoded again from the data it kept.
        picture->setMinimumDecodeSize(QSize(90, 60));
        QVERIFY(picture->isDecoded());
        picture->setMinimumDecodeSize(QSize(390, 290));
        QVERIFY(!picture->isDecoded());
        QCOMPARE(picture->decode(), QString());
        QCOMPARE(picture->image().size(), QSize(400, 300));
        picture->setMinimumDecodeSize(QSize(1000, 800));
        QCOMPARE(picture->decode(), QString());
        QCOMPARE(picture->image().size(), QSize(800, 600));
        // A full-size decode has let the file's data go: nothing larger is ever needed.
        picture->setMinimumDecodeSize(QSize(2000, 2000));
        QVERIFY(picture->isDecoded());
    }

    void coloursAreNotSwapped_data()
    {
        QTest::addColumn<JpegWriter::Kind>("kind");
        QTest::newRow("rgb") << JpegWriter::Kind::Baseline;
        QTest::newRow("cmyk") << JpegWriter::Kind::Cmyk;
    }

    void coloursAreNotSwapped()
    {
        QFETCH(JpegWriter::Kind, kind);
        const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        QImage source(48, 16, QImage::Format_RGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 48; ++x)
                source.setPixel(x, y, colours[x / 16]);
        auto picture = JpegPicture::load(write(source, "colours.jpg", kind, 95));
        QCOMPARE(picture->decode(), QString());
        for (int i = 0; i < 3; ++i)
            QVERIFY2(near(picture->image().pixel(16 * i + 8, 8), colours[i], 20),
                     qPrintable(QString::number(picture->image().pixel(16 * i + 8, 8), 16)));
    }

    void grayscaleDecodesToGrey()
    {
        const QImage source = JpegWriter::photoLike(64, 48, 5);
        auto picture = JpegPicture::load(write(source, "grey.jpg", JpegWriter::Kind::Grayscale));
        QCOMPARE(picture->decode(), QString());
        const QImage& image = picture->image();
        QCOMPARE(image.size(), QSize(64, 48));
        double sum = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qAlpha(p) == 255);
                const QRgb s = source.pixel(x, y);
                sum +=
                    std::abs(qRed(p) - (qRed(s) * 299 + qGreen(s) * 587 + qBlue(s) * 114) / 1000);
            }
        }
        QVERIFY2(sum / (64 * 48) < 4, "grey levels differ from the source's luminance");
    }

    void damagedScanDataKeepsTopRows_data()
    {
        QTest::addColumn<JpegWriter::Kind>("kind");
        QTest::addColumn<bool>("truncate");
        QTest::newRow("baseline truncated") << JpegWriter::Kind::Baseline << true;
        QTest::newRow("progressive truncated") << JpegWriter::Kind::Progressive << true;
        QTest::newRow("baseline corrupted") << JpegWriter::Kind::Baseline << false;
    }

    // Damage after the header is the decoder's to cope with: it fills in what is missing,
    // and what came before the damage is shown.
    void damagedScanDataKeepsTopRows()
    {
        QFETCH(JpegWriter::Kind, kind);
        QFETCH(bool, truncate);
        const QImage source = JpegWriter::photoLike(64, 256, 7);
        const QString file = write(source, "damaged.jpg", kind);
        QByteArray data = readAll(file);
        const qsizetype scan = markerOffset(data, 0xda);
        QVERIFY(scan > 0);
        const qsizetype middle = scan + (data.size() - scan) / 2;
        if (truncate) {
            data.truncate(middle);
        } else {
            for (qsizetype i = middle; i < middle + 64; ++i)
                data[i] = char((i * 73) & 0x7f);
        }
        writeAll(file, data);

        auto picture = JpegPicture::load(file);
        QCOMPARE(picture->height(), 256);
        Reports reports;
        const QString error = decodeRecording(*picture, reports);
        QVERIFY2(error.isEmpty() || error.startsWith("JPEG エラー #"), qPrintable(error));
        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports.front(), std::pair(Stage::Starting, 0));
        QCOMPARE(reports.back(), std::pair(Stage::Ending, error.isEmpty() ? 100 : 0));
        const double tolerance = kind == JpegWriter::Kind::Progressive ? 12 : 4;
        QVERIFY2(meanDifference(picture->image(), source, 0, 32) < tolerance,
                 "top rows not decoded");
    }

    void fatalDecodeErrorEndsWithZero()
    {
        // A later scan of a progressive file with an impossible spectral range: the header
        // reads fine, the decode cannot go on.
        const QString file =
            write(JpegWriter::photoLike(64, 48, 2), "badscan.jpg", JpegWriter::Kind::Progressive);
        QByteArray data = readAll(file);
        const qsizetype sos = markerOffset(data, 0xda, 1);
        QVERIFY(sos > 0);
        const int components = uchar(data[sos + 4]);
        data[sos + 5 + 2 * components + 1] = char(80); // Se > 63
        writeAll(file, data);

        auto picture = JpegPicture::load(file);
        Reports reports;
        QCOMPARE(decodeRecording(*picture, reports), jpegError(JERR_BAD_PROGRESSION));
        QVERIFY(reports.size() >= 2);
        QCOMPARE(reports.front(), std::pair(Stage::Starting, 0));
        QCOMPARE(reports.back(), std::pair(Stage::Ending, 0));
        // What is not decoded stays grey.
        QCOMPARE(picture->image().size(), QSize(64, 48));
        QCOMPARE(picture->image().pixel(0, 47), qRgb(128, 128, 128));
        QVERIFY(picture->isDecoded());
    }

    void abandonedDecodeStopsAtOnceAndLetsItsPixelsGo_data()
    {
        QTest::addColumn<JpegWriter::Kind>("kind");
        QTest::newRow("baseline") << JpegWriter::Kind::Baseline;
        // Its scans are all read before the first row comes out.
        QTest::newRow("progressive") << JpegWriter::Kind::Progressive;
    }

    void abandonedDecodeStopsAtOnceAndLetsItsPixelsGo()
    {
        QFETCH(JpegWriter::Kind, kind);
        const QString file = write(JpegWriter::photoLike(2000, 1500, 5), "abandoned.jpg", kind);
        auto picture = JpegPicture::load(file);
        Reports reports;
        const QString error = picture->decode([&](Stage stage, int percent) {
            reports.emplace_back(stage, percent);
            if (stage == Stage::Starting)
                picture->abandon();
        });
        QVERIFY(!error.isEmpty());
        // Within a row group or two of the start, not at row 1500.
        QVERIFY(picture->decodedRows() < 64);
        QVERIFY(picture->image().isNull());
        QCOMPARE(PictureBudget::inUse(), 0); // the file goes too, as after any full-size decode
        QCOMPARE(reports.back(), std::pair(Stage::Ending, 0));
    }

    void unreadableHeaderIsJpegError()
    {
        writeAll(path("empty.jpg"), {});
        QCOMPARE(loadError(path("empty.jpg")), jpegError(JERR_INPUT_EMPTY));
        writeAll(path("text.jpg"), "This is not a picture.\n");
        QCOMPARE(loadError(path("text.jpg")), jpegError(JERR_NO_SOI));
    }

    void hugeHeaderIsRefusedAtLoad()
    {
        const QString file = write(JpegWriter::photoLike(16, 16, 1), "huge.jpg");
        QByteArray data = readAll(file);
        const qsizetype sof = markerOffset(data, 0xc0);
        QVERIFY(sof > 0);
        // Marker, length, precision, then height and width, big-endian.
        for (int i = 0; i < 2; ++i) {
            data[sof + 5 + 2 * i] = char(0xff);
            data[sof + 6 + 2 * i] = char(0xdc); // 65500
        }
        writeAll(file, data);
        QCOMPARE(loadError(file), jpegError(JERR_IMAGE_TOO_BIG));
    }

    void extensionChoosesTheType()
    {
        const QImage source = JpegWriter::photoLike(20, 10, 1);
        for (const QString name : {"upper.JPEG", "mixed.Jpg", "long.jpeg"}) {
            auto picture = JpegPicture::load(write(source, name));
            QCOMPARE(picture->width(), 20);
        }
        // A JPEG under another name is still refused, by its name.
        QCOMPARE(loadError(write(source, "photo.png")),
                 QStringLiteral("拡張子 .png の画像形式は処理できません"));
        QCOMPARE(loadError(write(source, "photo.jpg.bak")),
                 QStringLiteral("拡張子 .bak の画像形式は処理できません"));
        QCOMPARE(loadError(write(source, "noextension")),
                 QStringLiteral("拡張子 . の画像形式は処理できません"));
    }

    void onlyRegularFilesAreOpened()
    {
        const QString missing = path("missing.jpg");
        QCOMPARE(loadError(missing), QStringLiteral("ファイル %1 は開けません").arg(missing));

        const QString folder = path("folder.jpg");
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(loadError(folder), QStringLiteral("ファイル %1 は開けません").arg(folder));

        // Nobody writes into this FIFO: opening it for reading would wait forever.
        const QString fifo = path("fifo.jpg");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(loadError(fifo), QStringLiteral("ファイル %1 は開けません").arg(fifo));
    }

    // Files that get past the header check and then cost the decoder without end.

    void moreScansThanEncodersWriteAreRefused()
    {
        writeAll(path("scans100.jpg"), HostileJpeg::manyEmptyScans(64, 64, 100));
        auto allowed = JpegPicture::load(path("scans100.jpg"));
        QCOMPARE(allowed->decode(), QString());

        writeAll(path("scans101.jpg"), HostileJpeg::manyEmptyScans(64, 64, 101));
        auto refused = JpegPicture::load(path("scans101.jpg"));
        Reports reports;
        QCOMPARE(decodeRecording(*refused, reports), jpegError(1001));
        QCOMPARE(reports.back(), std::pair(Stage::Ending, 0));
    }

    void dataEndingEarlyStopsTheDecodeWithoutError()
    {
        // Left to itself libjpeg would carry the last colour on to the bottom; the rows after
        // the end of the data are not decoded and show grey.
        QImage red(64, 512, QImage::Format_RGB32);
        red.fill(qRgb(200, 0, 0));
        const QString file = write(red, "truncated.jpg");
        QByteArray data = readAll(file);
        const qsizetype scan = markerOffset(data, 0xda);
        QVERIFY(scan > 0);
        data.truncate(scan + (data.size() - scan) / 2);
        writeAll(file, data);
        auto picture = JpegPicture::load(file);
        Reports reports;
        QCOMPARE(decodeRecording(*picture, reports), QString());
        QCOMPARE(reports.back(), std::pair(Stage::Ending, 100));
        QVERIFY(near(picture->image().pixel(10, 20), qRgb(200, 0, 0)));
        QCOMPARE(picture->image().pixel(10, 511), qRgb(128, 128, 128));

        // With restart markers a damaged interval does not end the picture: the rows after
        // it are still decoded.
        const QByteArray good = HostileJpeg::withRestartMarkers(64, 256);
        QByteArray damaged = good;
        const qsizetype rst = damaged.indexOf(QByteArray("\xff\xd2", 2));
        QVERIFY(rst > 0);
        damaged.remove(rst - 40, 40); // the third interval loses its end
        writeAll(path("goodrst.jpg"), good);
        writeAll(path("badrst.jpg"), damaged);
        auto reference = JpegPicture::load(path("goodrst.jpg"));
        auto repaired = JpegPicture::load(path("badrst.jpg"));
        QCOMPARE(reference->decode(), QString());
        QCOMPARE(repaired->decode(), QString());
        QVERIFY(meanDifference(reference->image(), repaired->image(), 200, 256) < 4);
    }

    void coefficientBufferCountsAgainstTheBudget()
    {
        const BudgetLimit limit(5 << 20);
        // 1000 x 1000 pixels take 4 MB; the coefficients of a progressive file 3 MB more.
        writeAll(path("baseline1000.jpg"), HostileJpeg::baselineHeaderOnly(1000, 1000));
        QCOMPARE(JpegPicture::load(path("baseline1000.jpg"))->width(), 1000);
        writeAll(path("progressive1000.jpg"), HostileJpeg::progressiveHeaderOnly(1000, 1000));
        QCOMPARE(loadError(path("progressive1000.jpg")), jpegError(JERR_IMAGE_TOO_BIG));
    }

    void picturesHeldAtOnceShareOneBudget()
    {
        const BudgetLimit limit(6 << 20);
        writeAll(path("big.jpg"), HostileJpeg::baselineHeaderOnly(1000, 1000));
        {
            auto shown = JpegPicture::load(path("big.jpg"));
            QCOMPARE(shown->decode(), QString());
            auto second = JpegPicture::load(path("big.jpg"));
            QCOMPARE(second->decode(), jpegError(JERR_OUT_OF_MEMORY));
            QVERIFY(second->image().isNull());
            shown.reset();
            auto third = JpegPicture::load(path("big.jpg"));
            QCOMPARE(third->decode(), QString());
        }
        QCOMPARE(PictureBudget::inUse(), 0);
    }

    // The pixels of a large picture let go serve the next picture of the same size, whose
    // rows the decode writes afresh; a picture of another size gets memory of its own. Spares
    // of two sizes wait, the largest ones.
    void aLargePicturesPixelsServeTheNextOfItsSize()
    {
        PixelPool::trim();
        const QString red = write(JpegWriter::photoLike(1200, 800, 1), "pool1.jpg");
        const QString other = write(JpegWriter::photoLike(1200, 800, 2), "pool2.jpg");
        auto first = JpegPicture::load(red);
        QCOMPARE(first->decode(), QString());
        const uchar* block = first->image().constBits();
        const QImage expected = first->image().copy();
        first.reset();
        const std::size_t mib = std::size_t(1) << 20;
        QCOMPARE(PixelPool::spareBytes(), 4 * mib);

        auto second = JpegPicture::load(other);
        QCOMPARE(second->decode(), QString());
        QCOMPARE(second->image().constBits(), block);
        QCOMPARE(PixelPool::spareBytes(), std::size_t(0));
        second.reset();
        auto again = JpegPicture::load(red);
        QCOMPARE(again->decode(), QString());
        QCOMPARE(again->image(), expected); // nothing of the other photo left over
        again.reset();

        const auto decodeAndLetGo = [&](int width, int height, const char* name) {
            auto picture = JpegPicture::load(write(JpegWriter::photoLike(width, height, 3), name));
            QCOMPARE(picture->decode(), QString());
        };
        decodeAndLetGo(2000, 1200, "pool3.jpg"); // 10 MiB, beside the 4 MiB spare
        QCOMPARE(PixelPool::spareBytes(), 14 * mib);
        decodeAndLetGo(1024, 512, "pool4.jpg"); // 2 MiB, smaller than both: let go
        QCOMPARE(PixelPool::spareBytes(), 14 * mib);
        decodeAndLetGo(2600, 1600, "pool5.jpg"); // 16 MiB, in place of the smallest
        QCOMPARE(PixelPool::spareBytes(), 26 * mib);
        PixelPool::trim();
        QCOMPARE(PixelPool::spareBytes(), std::size_t(0));
    }

    void everyOrientationTagShowsTheUprightPicture_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<JpegWriter::Kind>("kind");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("adobeRgb");
        const QSize small(96, 64);
        for (int tag = 1; tag <= 8; ++tag)
            QTest::addRow("%d", tag) << tag << JpegWriter::Kind::Baseline << 24 << small << false;
        QTest::addRow("6 progressive")
            << 6 << JpegWriter::Kind::Progressive << 24 << small << false;
        // The writer's CMYK is a rough one: its colours come back less exact.
        QTest::addRow("7 cmyk") << 7 << JpegWriter::Kind::Cmyk << 48 << small << false;
        // Large enough to be turned and converted on a second thread while it decodes.
        QTest::addRow("1 large, Adobe RGB")
            << 1 << JpegWriter::Kind::Baseline << 24 << QSize(1440, 960) << true;
        QTest::addRow("8 large, Adobe RGB")
            << 8 << JpegWriter::Kind::Progressive << 24 << QSize(1440, 960) << true;
        QTest::addRow("6 large") << 6 << JpegWriter::Kind::Baseline << 24 << QSize(1440, 960)
                                 << false;
    }

    void everyOrientationTagShowsTheUprightPicture()
    {
        QFETCH(int, tag);
        QFETCH(JpegWriter::Kind, kind);
        QFETCH(int, tolerance);
        QFETCH(QSize, size);
        QFETCH(bool, adobeRgb);
        const QImage upright = cornerChart(size);
        const QString file = write(storedFor(adobeRgb ? convertedToAdobeRgb(upright) : upright, tag),
                                   QStringLiteral("o%1.jpg").arg(tag), kind, 95,
                                   {tag, {}, adobeRgb ? JpegWriter::adobeRgbProfile() : QByteArray()});
        QString why;
        auto full = JpegPicture::load(file);
        QCOMPARE(full->exifOrientation(), tag);
        QCOMPARE(QSize(full->width(), full->height()), size);
        QCOMPARE(full->decode(), QString());
        QCOMPARE(full->image().size(), size);
        QVERIFY2(showsCornerChart(full->image(), 4, tolerance, &why), qPrintable(why));
        QCOMPARE(full->decodedRows(), size.height());

        // Fitted small, the reduced decode is upright too.
        auto reduced = JpegPicture::load(file);
        reduced->setMinimumDecodeSize(size * 5 / 12);
        QCOMPARE(reduced->decode(), QString());
        QCOMPARE(reduced->image().size(), size / 2);
        QVERIFY2(showsCornerChart(reduced->image(), 2, tolerance + 4, &why), qPrintable(why));
    }

    void exifRotationOffOrADamagedTagShowsThePhotoAsStored()
    {
        const QImage stored = storedFor(cornerChart(QSize(96, 64)), 6);
        const QString tagged =
            write(stored, "six.jpg", JpegWriter::Kind::Baseline, 95, {6, {}, {}});
        ExifOrientation::setEnabled(false);
        auto off = JpegPicture::load(tagged);
        ExifOrientation::setEnabled(true);
        QCOMPARE(off->orientation(), 1);
        QCOMPARE(QSize(off->width(), off->height()), QSize(64, 96));
        QCOMPARE(off->decode(), QString());
        // As stored: turning it by hand gives the upright picture.
        QString why;
        QVERIFY2(showsCornerChart(off->image().transformed(QTransform().rotate(90)), 4, 24, &why),
                 qPrintable(why));

        // Orientation out of range, a cut EXIF block, no TIFF header: as stored.
        const QByteArray six = JpegWriter::exifOrientation(6);
        for (const QByteArray& exif : {JpegWriter::exifOrientation(9), six.left(20),
                                       QByteArray("Exif\0\0garbage", 13), six.left(6)}) {
            const QString file =
                write(stored, "damaged.jpg", JpegWriter::Kind::Baseline, 95, {0, exif, {}});
            auto picture = JpegPicture::load(file);
            QCOMPARE(picture->exifOrientation(), 0);
            QCOMPARE(QSize(picture->width(), picture->height()), QSize(64, 96));
        }
    }

    void turnedPhotoEndingEarlyShowsGreyWhereNoDataCame()
    {
        // Stored rows become upright columns from the right; the data ends half way down.
        const QString file = write(JpegWriter::photoLike(96, 64, 3), "cut6.jpg",
                                   JpegWriter::Kind::Baseline, 90, {6, {}, {}});
        QByteArray data = readAll(file);
        const qsizetype scan = markerOffset(data, 0xDA);
        data.truncate(scan + (data.size() - scan) / 2);
        writeAll(file, data);
        auto picture = JpegPicture::load(file);
        QCOMPARE(picture->decode(), QString());
        QCOMPARE(picture->image().size(), QSize(64, 96));
        QCOMPARE(picture->image().pixel(0, 48), qRgb(128, 128, 128));
        QVERIFY(picture->image().pixel(63, 48) != qRgb(128, 128, 128));
    }

    void previewCopyWithoutTagTakesItsPhotosOrientationWhenStoredAlike()
    {
        const QImage upright = cornerChart(QSize(96, 64));
        const QString photo =
            write(storedFor(upright, 6), "photo6.jpg", JpegWriter::Kind::Baseline, 95, {6, {}, {}});
        const JpegPicture::StoredShape shape = JpegPicture::storedShapeOf(photo);
        QCOMPARE(shape.orientation, 6);
        QCOMPARE(shape.size, QSize(64, 96));

        // Stored like the photo: turned like it.
        auto alike = JpegPicture::load(write(storedFor(upright, 6).scaled(32, 48), "copy-alike.jpg",
                                             JpegWriter::Kind::Baseline, 95));
        alike->followPhotoOrientation(shape);
        QCOMPARE(QSize(alike->width(), alike->height()), QSize(48, 32));
        QCOMPARE(alike->decode(), QString());
        QString why;
        QVERIFY2(showsCornerChart(alike->image(), 2, 28, &why), qPrintable(why));

        // Already upright (the software turned it): left as it is.
        auto turned = JpegPicture::load(
            write(upright.scaled(48, 32), "copy-upright.jpg", JpegWriter::Kind::Baseline, 95));
        turned->followPhotoOrientation(shape);
        QCOMPARE(turned->orientation(), 1);
        QCOMPARE(QSize(turned->width(), turned->height()), QSize(48, 32));

        // A copy with a tag of its own keeps it.
        auto own = JpegPicture::load(write(storedFor(upright, 3).scaled(48, 32), "copy-own.jpg",
                                           JpegWriter::Kind::Baseline, 95, {3, {}, {}}));
        own->followPhotoOrientation(shape);
        QCOMPARE(own->orientation(), 3);
    }

    void embeddedProfileIsConvertedToTheScreensColours()
    {
        // Pure colours in bars; the Adobe RGB twin stores them as an editor would.
        const QRgb colours[] = {qRgb(255, 0, 0),     qRgb(0, 255, 0),     qRgb(0, 0, 255),
                                qRgb(0, 255, 255),   qRgb(255, 0, 255),   qRgb(255, 255, 0),
                                qRgb(255, 255, 255), qRgb(128, 128, 128), qRgb(200, 120, 60)};
        constexpr int bar = 32;
        QImage chart(bar * int(std::size(colours)), bar, QImage::Format_RGB32);
        for (int i = 0; i < int(std::size(colours)); ++i)
            for (int y = 0; y < bar; ++y)
                for (int x = 0; x < bar; ++x)
                    chart.setPixel(i * bar + x, y, colours[i]);
        const QImage adobe = convertedToAdobeRgb(chart);
        QVERIFY(qRed(adobe.pixel(bar + bar / 2, bar / 2)) > 100); // pure green is far from pure

        const auto decoded = [](const QString& file) {
            auto picture = JpegPicture::load(file);
            if (!picture->decode().isEmpty())
                qFatal("decode failed");
            return picture->image();
        };
        const QImage plain = decoded(write(chart, "srgb.jpg", JpegWriter::Kind::Baseline, 98));
        const QImage shown = decoded(write(adobe, "adobe.jpg", JpegWriter::Kind::Baseline, 98,
                                           {0, {}, JpegWriter::adobeRgbProfile()}));
        for (int i = 0; i < int(std::size(colours)); ++i) {
            const QPoint centre(i * bar + bar / 2, bar / 2);
            QVERIFY2(near(shown.pixel(centre), plain.pixel(centre), 4),
                     qPrintable(QStringLiteral("bar %1: %2 vs %3")
                                    .arg(i)
                                    .arg(shown.pixel(centre), 0, 16)
                                    .arg(plain.pixel(centre), 0, 16)));
        }

        // Turned and converted at once, in the reduced decode too.
        auto both =
            JpegPicture::load(write(storedFor(adobe, 8), "adobe8.jpg", JpegWriter::Kind::Baseline,
                                    98, {8, {}, JpegWriter::adobeRgbProfile()}));
        both->setMinimumDecodeSize(QSize(both->width() / 2, both->height() / 2));
        QCOMPARE(both->decode(), QString());
        QVERIFY(near(both->image().pixel(bar / 4, bar / 4), plain.pixel(bar / 2, bar / 2), 6));

        // An sRGB profile and a damaged one change nothing: the very same pixels as no profile.
        const QByteArray srgbBytes = JpegWriter::srgbProfile();
        QByteArray damaged = JpegWriter::adobeRgbProfile();
        damaged.replace(128, 64, QByteArray(64, '\xff')); // the tag table
        for (const QByteArray& profile : {srgbBytes, damaged, QByteArray("not a profile")}) {
            QVERIFY(!ColourProfile::transformFor(profile));
            QCOMPARE(
                decoded(write(chart, "same.jpg", JpegWriter::Kind::Baseline, 98, {0, {}, profile})),
                plain);
        }

        // A display profile on the screen: every photo is converted to it, untagged ones as
        // sRGB.
        ColourProfile::setDisplayProfile(JpegWriter::adobeRgbProfile());
        const QImage onAdobeScreen = decoded(path("srgb.jpg"));
        ColourProfile::setDisplayProfile({});
        for (int i = 0; i < int(std::size(colours)); ++i) {
            const QPoint centre(i * bar + bar / 2, bar / 2);
            QVERIFY(near(onAdobeScreen.pixel(centre), adobe.pixel(centre), 5));
        }
    }

    void twelveBitIsAJpegErrorAtLoad()
    {
        const QString file = write(JpegWriter::photoLike(32, 32, 4), "twelve.jpg");
        writeAll(file, HostileJpeg::asTwelveBit(readAll(file)));
        QCOMPARE(loadError(file), jpegError(JERR_BAD_PRECISION));
    }
};

QTEST_MAIN(TestJpegPicture)
#include "tst_jpegpicture.moc"
