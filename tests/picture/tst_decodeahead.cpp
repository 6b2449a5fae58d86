#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

#include "JpegWriter.h"
#include "picture/DecodeAhead.h"
#include "picture/JpegPicture.h"
#include "picture/PictureBudget.h"
#include "support/TestSupport.h"

namespace {

// Sets the picture budget for one test.
struct BudgetLimit
{
    explicit BudgetLimit(qint64 bytes) { PictureBudget::setLimit(bytes); }
    ~BudgetLimit() { PictureBudget::setLimit(PictureBudget::defaultLimit()); }
};

// Sets the file's modification time (seconds and nanoseconds since the epoch).
void setModified(const QString& path, timespec when)
{
    const timespec times[2] = {{0, UTIME_OMIT}, when};
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0)
        qFatal("cannot set the time of %s", qPrintable(path));
}

timespec modified(const QString& path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        qFatal("cannot stat %s", qPrintable(path));
    return info.st_mtim;
}

const DecodeAhead::Size fullSize{};

} // namespace

class TestDecodeAhead : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_large; // 24 MP
    QString m_small; // 640 x 480

    // The worker is done with the small photo once its full-size pixels are all it holds.
    static bool smallDecoded() { return PictureBudget::inUse() == qint64(640) * 480 * 4; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_large = writeTestJpeg(m_dir.filePath(QStringLiteral("large.jpg")), 6000, 4000);
        m_small = writeTestJpeg(m_dir.filePath(QStringLiteral("small.jpg")), 640, 480, 2);
    }

    void cleanup() { QCOMPARE(PictureBudget::inUse(), 0); }

    void takeWaitsForTheDecodeInFlightAndGivesTheRightPicture()
    {
        DecodeAhead ahead;
        ahead.start(m_large, fullSize, 0);
        QCOMPARE(ahead.path(), m_large);
        // Another path is not the one ahead, and asking for it drops it.
        QVERIFY(!ahead.take(m_small));
        QVERIFY(ahead.path().isEmpty());

        ahead.start(m_large, fullSize, 0);
        const std::unique_ptr<JpegPicture> picture = ahead.take(m_large);
        QVERIFY(picture);
        QVERIFY(picture->isDecoded());
        QCOMPARE(picture->image().size(), QSize(6000, 4000));
        QCOMPARE(picture->decodedRows(), 4000);
        const auto fresh = JpegPicture::load(m_large);
        QCOMPARE(fresh->decode(), QString());
        QCOMPARE(picture->image(), fresh->image());
        // Taken means gone.
        QVERIFY(ahead.path().isEmpty());
        QVERIFY(!ahead.take(m_large));
    }

    void droppedDecodeIsAbandonedAndTheWorkerGoesOn()
    {
        DecodeAhead ahead;
        ahead.start(m_large, fullSize, 0);
        // Wait until the picture holds its pixels: well under way, or (on a slow machine)
        // already decoded. Either way dropping it lets it go.
        QTRY_VERIFY(PictureBudget::inUse() >= qint64(6000) * 4000 * 4);
        ahead.drop();
        QVERIFY(ahead.path().isEmpty());
        QVERIFY(!ahead.take(m_large));
        // The worker takes the next order only once it has let the large picture go.
        ahead.start(m_small, fullSize, 0);
        const std::unique_ptr<JpegPicture> picture = ahead.take(m_small);
        QVERIFY(picture);
        QCOMPARE(picture->image().size(), QSize(640, 480));
        QVERIFY(smallDecoded());
    }

    void destroyedWhileDecodingStopsTheWorker()
    {
        {
            DecodeAhead ahead;
            ahead.start(m_large, fullSize, 0);
            QTRY_VERIFY(PictureBudget::inUse() > 0);
        }
        // The destructor joined the worker, which let the picture go.
        QCOMPARE(PictureBudget::inUse(), 0);
    }

    void fitDecodesSmallAndAnotherScaleDecodesAgain()
    {
        DecodeAhead ahead;
        // 640 x 480 fitted into 160 x 120 is a quarter of each side; twice that on a screen
        // of two device pixels per pixel.
        ahead.start(m_small, {QSize(160, 120), 2.0}, 0);
        std::unique_ptr<JpegPicture> picture = ahead.take(m_small);
        QVERIFY(picture);
        QCOMPARE(picture->image().size(), QSize(320, 240));
        QCOMPARE(picture->width(), 640);
        picture.reset();

        ahead.start(m_small, {QSize(160, 120), 1.0}, 0);
        QTRY_COMPARE(PictureBudget::inUse(), qint64(160) * 120 * 4 + QFileInfo(m_small).size());
        // Asked again at another scale, the picture is decoded again: larger, so the view need
        // not decode it again...
        ahead.start(m_small, fullSize, 0);
        QTRY_VERIFY(smallDecoded());
        // ... and smaller, so it holds no more than the view will draw.
        ahead.start(m_small, {QSize(160, 120), 1.0}, 0);
        picture = ahead.take(m_small);
        QVERIFY(picture);
        QCOMPARE(picture->image().size(), QSize(160, 120));
    }

    void changedOrRemovedFileIsNotHandedOver_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("unchanged") << QString();
        QTest::newRow("rewritten, another size") << QStringLiteral("size");
        QTest::newRow("rewritten, same size, later time") << QStringLiteral("time");
        QTest::newRow("replaced, same size and time") << QStringLiteral("inode");
        QTest::newRow("removed") << QStringLiteral("remove");
    }

    void changedOrRemovedFileIsNotHandedOver()
    {
        QFETCH(QString, change);
        const QString file = m_dir.filePath(QStringLiteral("changing.jpg"));
        QFile::remove(file);
        QVERIFY(QFile::copy(m_small, file));
        const QByteArray data = readTextFile(file);
        DecodeAhead ahead;
        ahead.start(file, fullSize, 0);
        QTRY_VERIFY(smallDecoded());

        if (change == QLatin1String("size")) {
            writeTextFile(file, data + QByteArray(16, '\0'));
        } else if (change == QLatin1String("time")) {
            timespec later = modified(file);
            later.tv_nsec = (later.tv_nsec + 1) % 1'000'000'000;
            writeTextFile(file, data);
            setModified(file, later);
        } else if (change == QLatin1String("inode")) {
            const timespec same = modified(file);
            const QString other = file + QStringLiteral(".new");
            writeTextFile(other, data);
            setModified(other, same);
            QVERIFY(::rename(QFile::encodeName(other).constData(),
                             QFile::encodeName(file).constData()) == 0);
        } else if (change == QLatin1String("remove")) {
            QVERIFY(QFile::remove(file));
        }
        const std::unique_ptr<JpegPicture> picture = ahead.take(file);
        QCOMPARE(bool(picture), change.isEmpty());
    }

    void failedLoadOrDecodeYieldsNothing_data()
    {
        QTest::addColumn<bool>("header");
        QTest::newRow("no JPEG header") << false;
        QTest::newRow("damaged data") << true;
    }

    void failedLoadOrDecodeYieldsNothing()
    {
        QFETCH(bool, header);
        const QString file = m_dir.filePath(QStringLiteral("failing.jpg"));
        if (header) {
            QVERIFY(JpegWriter::write(JpegWriter::photoLike(64, 48, 3), file,
                                      JpegWriter::Kind::Progressive));
            damageSecondScan(file);
        } else {
            writeTextFile(file, "not a photo");
        }
        DecodeAhead ahead;
        ahead.start(file, fullSize, 0);
        QVERIFY(!ahead.take(file));
        QVERIFY(ahead.path().isEmpty());
    }

    void noPictureWhenTheBudgetCannotHoldIt()
    {
        const qint64 pixels = qint64(640) * 480 * 4;
        const qint64 file = QFileInfo(m_small).size();
        const BudgetLimit limit(2 * pixels + file);
        DecodeAhead ahead;
        // The room kept free for the photo on display leaves too little.
        ahead.start(m_small, fullSize, pixels + 1);
        QVERIFY(!ahead.take(m_small));
        ahead.start(m_small, fullSize, pixels);
        QVERIFY(ahead.take(m_small));
        // Another picture holds most of the budget already.
        {
            const PictureBudget::Reservation shown(pixels + file + 1);
            QVERIFY(shown.isValid());
            ahead.start(m_small, fullSize, 0);
            QVERIFY(!ahead.take(m_small));
        }
    }
};

QTEST_GUILESS_MAIN(TestDecodeAhead)
#include "tst_decodeahead.moc"
