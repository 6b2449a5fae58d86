#include "JpegPicture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

#include "picture/DecodeScale.h"
#include "picture/ExifOrientation.h"
#include "picture/PictureBudget.h"
#include "picture/PixelPool.h"
#include "platform/FileNameCodec.h"
#include "platform/QirvaError.h"

namespace {

// Format_RGB32 is a native-endian 0xffRRGGBB word; libjpeg-turbo writes it directly, with the
// padding byte set to 0xff.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE rgb32ColorSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE rgb32ColorSpace = JCS_EXT_XRGB;
#endif

constexpr QRgb undecodedGrey = 0xff808080;
constexpr qint64 runningReportInterval = 500; // ms
// Encoders write about ten scans (jpegtran and mozjpeg at most a few dozen). Each scan makes
// the decoder visit every block of the picture again, so a file of a thousand near-empty
// scans keeps it busy for minutes while adding nothing to the picture. A large picture gets
// fewer: the scans times its blocks stay within what decodes in about two seconds, and never
// fewer than the ten that encoders commonly write.
constexpr int maxScans = 100;
constexpr int minScanLimit = 10;
constexpr qint64 maxScanBlocks = 60'000'000;
// Our own number for "JPEG エラー #%d" when a file has more scans than allowed. libjpeg's
// own numbers stay below 130 (JMSG_LASTMSGCODE), so this one cannot be mistaken for them.
constexpr int tooManyScansError = 1001;
// A decode abandoned from another thread stops with this one; nobody sees it, since the picture
// is thrown away.
constexpr int abandonedError = 1002;
// Room for libjpeg's row buffers and tables beside the coefficient buffer of a multi-scan file.
constexpr qint64 decoderWorkspace = qint64(32) << 20;

// libjpeg's default error handler calls exit(); ours jumps back to the caller instead.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // libjpeg's premature-end warning: it would go on inventing blank data to the last row.
    bool dataEnded = false;
};

void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Both premature-end warnings: the file ends, or a marker comes where scan data should. With
// restart markers the data may go on after the damaged interval, so only the first counts.
void emitMessage(j_common_ptr cinfo, int level)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level >= 0)
        return;
    ++err->pub.num_warnings;
    const int code = err->pub.msg_code;
    if (code == JWRN_JPEG_EOF ||
        (code == JWRN_HIT_MARKER && cinfo->is_decompressor &&
         reinterpret_cast<j_decompress_ptr>(cinfo)->restart_interval == 0))
        err->dataEnded = true;
}

void installErrorManager(jpeg_decompress_struct& cinfo, ErrorManager& err)
{
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
}

QString jpegErrorText(int code)
{
    return QStringLiteral("JPEG エラー #%1").arg(code);
}

// The coefficient buffer libjpeg allocates for a file of several scans (progressive, or
// sequential with one scan per component): every block of every component, 64 coefficients of
// two bytes, rounded up to whole MCUs as libjpeg does. A single-scan file needs none.
qint64 coefficientBufferBytes(const jpeg_decompress_struct& cinfo)
{
    if (!jpeg_has_multiple_scans(const_cast<jpeg_decompress_struct*>(&cinfo)))
        return 0;
    qint64 blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        const qint64 h = std::max(c.h_samp_factor, 1), v = std::max(c.v_samp_factor, 1);
        const qint64 wide = (qint64(c.width_in_blocks) + h - 1) / h * h;
        const qint64 high = (qint64(c.height_in_blocks) + v - 1) / v * v;
        blocks += wide * high;
    }
    return blocks * DCTSIZE2 * qint64(sizeof(JCOEF));
}

// A large picture's pixels come from the pixel pool, and go back to it when the last QImage
// sharing them is gone.
struct PooledPixels
{
    void* block;
    size_t bytes;
};

void returnPixels(void* info)
{
    auto* pixels = static_cast<PooledPixels*>(info);
    PixelPool::give(pixels->block, pixels->bytes);
    delete pixels;
}

QImage allocateRgb32(int width, int height)
{
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(height);
    if (bytes < PixelPool::minimumBytes)
        return QImage(width, height, QImage::Format_RGB32);
    void* block = PixelPool::take(bytes);
    if (!block)
        return {};
    auto* pixels = new PooledPixels{block, bytes};
    QImage image(static_cast<uchar*>(block), width, height, bytesPerLine, QImage::Format_RGB32,
                 returnPixels, pixels);
    if (image.isNull())
        returnPixels(pixels);
    return image;
}

enum class ReadResult
{
    Ok,
    CannotOpen,
    TooLarge
};

// Reads a whole regular file. Anything else (folder, FIFO, device) is refused before it is
// opened, so a FIFO named like a photo cannot block the program. The stamp is the file's as
// it was opened.
ReadResult readRegularFile(const QString& path, QByteArray& data, FileStamp& stamp,
                           qint64 maxBytes = -1)
{
    const QByteArray name = FileNameCodec::toDisk(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return ReadResult::CannotOpen;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return ReadResult::CannotOpen;
    ReadResult result = ReadResult::Ok;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = ReadResult::CannotOpen;
    } else if (info.st_size > PictureBudget::limit()) {
        // No photo compresses worse than its pixels; a file this large is not one to hold.
        result = ReadResult::TooLarge;
    } else {
        stamp = FileStamp::of(info);
        try {
            const qint64 wanted =
                maxBytes >= 0 ? std::min<qint64>(info.st_size, maxBytes) : qint64(info.st_size);
            data = QByteArray(qsizetype(wanted), Qt::Uninitialized);
        } catch (const std::bad_alloc&) {
            result = ReadResult::CannotOpen;
        }
        qsizetype done = 0;
        while (result == ReadResult::Ok && done < data.size()) {
            const ssize_t n = ::read(fd, data.data() + done, size_t(data.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                result = ReadResult::CannotOpen;
            if (n <= 0)
                break; // at 0 the file shrank since fstat; keep what is there
            done += n;
        }
        data.truncate(done);
    }
    ::close(fd);
    return result;
}

// Adobe CMYK is stored inverted (255 = no ink); plain CMYK is not. Either way the colour is
// the paper's white less the inks, multiplied by the black.
inline uchar mul255(unsigned a, unsigned b)
{
    const unsigned t = a * b + 128;
    return uchar((t + (t >> 8)) >> 8);
}

void cmykToRgb32(const JSAMPLE* in, QRgb* out, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb(mul255(c, k), mul255(m, k), mul255(y, k));
    }
}

// A second thread that turns and converts the rows libjpeg has decoded while it decodes the
// next ones: the work a photo's orientation and colour profile add runs on the other core.
// One job is in flight at a time; submit() waits for the one before.
class RowWorker
{
public:
    using Work = std::function<void(int buffer, int firstRow, int count)>;

    ~RowWorker() { finish(); }

    void start(Work work)
    {
        m_work = std::move(work);
        m_thread = std::thread([this] { run(); });
    }
    bool running() const { return m_thread.joinable(); }

    void submit(int buffer, int firstRow, int count)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_idle.wait(lock, [this] { return !m_pending; });
        m_job = {buffer, firstRow, count};
        m_pending = true;
        m_ready.notify_one();
    }

    // Waits for the job in flight and ends the thread.
    void finish()
    {
        if (!m_thread.joinable())
            return;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_idle.wait(lock, [this] { return !m_pending; });
            m_stop = true;
            m_ready.notify_one();
        }
        m_thread.join();
    }

private:
    struct Job
    {
        int buffer, firstRow, count;
    };

    void run()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        for (;;) {
            m_ready.wait(lock, [this] { return m_pending || m_stop; });
            if (!m_pending)
                return;
            const Job job = m_job;
            lock.unlock();
            m_work(job.buffer, job.firstRow, job.count);
            lock.lock();
            m_pending = false;
            m_idle.notify_one();
        }
    }

    Work m_work;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_ready, m_idle;
    Job m_job{};
    bool m_pending = false;
    bool m_stop = false;
};

// Pictures smaller than this are turned and converted on the decoding thread: a thread of
// their own would cost more than it spares.
constexpr qint64 rowWorkerMinimumPixels = 1'000'000;

struct DecodeContext;

struct ProgressManager
{
    jpeg_progress_mgr pub;
    DecodeContext* context;
};

// Everything the libjpeg callbacks and the error path touch lives here, in memory, so nothing
// depends on locals surviving the longjmp.
struct DecodeContext
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ProgressManager progress;
    const JpegPicture::ProgressCallback* callback = nullptr;
    const std::atomic<bool>* abandoned = nullptr;
    int* decodedRows = nullptr; // rows of the picture finished so far, for incremental display
    QElapsedTimer clock;
    qint64 lastReportTime = 0;
    int lastPercent = 0;
    int scanLimit = maxScans;
    bool callbackFailed = false;
    bool created = false;

    // A picture not stored upright is decoded a strip of rows at a time and turned into place
    // strip by strip (two strips: one decoding while the other is placed), so no second
    // full-size picture is ever held. An upright one with a colour profile is converted in
    // place, a strip's worth of rows at a time.
    int orientation = 1;
    const ColourProfile::Transform* colour = nullptr;
    QSize stored;
    QImage* image = nullptr;
    std::vector<QRgb> strips[2];
    std::vector<JSAMPROW> stripRows[2];
    int buffer = 0;     // the strip being decoded into
    int stripStart = 0; // the stored row the strip's first row is (upright: the first row not
                        // yet handed over)
    std::atomic<int> finishedRows{0}; // rows from the top fully turned and converted
    RowWorker worker;

    bool hasRowWork() const { return orientation != 1 || colour; }

    // Converts and places `count` rows of a strip (or converts picture rows in place).
    void placeRows(int strip, int firstRow, int count, bool convert)
    {
        const int width = stored.width();
        if (orientation == 1) {
            if (colour && convert) {
                for (int i = 0; i < count; ++i)
                    colour->apply(reinterpret_cast<QRgb*>(image->scanLine(firstRow + i)), width);
            }
            finishedRows.store(firstRow + count, std::memory_order_release);
            return;
        }
        QRgb* pixels = strips[strip].data();
        if (colour && convert)
            colour->apply(pixels, qsizetype(count) * width);
        std::vector<const QRgb*> rows(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            rows[size_t(i)] = pixels + size_t(i) * size_t(width);
        ExifOrientation::placeRows(orientation, stored, rows.data(), firstRow, count, *image);
        // A mirrored picture still fills from the top; a turned one only counts when complete.
        if (orientation == 2)
            finishedRows.store(firstRow + count, std::memory_order_release);
    }

    // Hands the rows decoded since the last hand-over to the worker (or does them here), and
    // starts the next strip.
    void handOver(int count)
    {
        if (count <= 0)
            return;
        if (worker.running())
            worker.submit(buffer, stripStart, count);
        else
            placeRows(buffer, stripStart, count, true);
        stripStart += count;
        if (orientation != 1)
            buffer ^= 1;
    }

    void report(JpegPicture::ProgressStage stage, int percent)
    {
        if (!*callback || callbackFailed)
            return;
        // Reports are spaced from their start: the time a report spends repainting counts
        // towards the next interval.
        lastReportTime = clock.elapsed();
        lastPercent = percent;
        // The callback repaints from inside libjpeg; nothing may unwind through it.
        try {
            (*callback)(stage, percent);
        } catch (const std::exception& e) {
            callbackFailed = true;
            qWarning("JpegPicture: progress callback threw: %s", e.what());
        } catch (...) {
            callbackFailed = true;
            qWarning("JpegPicture: progress callback threw");
        }
    }
};

// libjpeg calls this between scanline batches and between input rows of multi-scan files.
void progressMonitor(j_common_ptr common)
{
    auto* manager = reinterpret_cast<ProgressManager*>(common->progress);
    DecodeContext& context = *manager->context;
    if (context.cinfo.input_scan_number > context.scanLimit) {
        common->err->msg_code = tooManyScansError;
        (*common->err->error_exit)(common);
    }
    if (context.abandoned->load(std::memory_order_relaxed)) {
        common->err->msg_code = abandonedError;
        (*common->err->error_exit)(common);
    }

    const jpeg_progress_mgr& p = manager->pub;
    if (p.pass_limit <= 0 || p.total_passes <= 0)
        return;
    if (context.clock.elapsed() - context.lastReportTime < runningReportInterval)
        return;
    const double done = (double(p.pass_counter) / double(p.pass_limit) + p.completed_passes) *
                        100.0 / p.total_passes;
    const int percent = std::clamp(int(done), 0, 100);
    if (percent != context.lastPercent)
        context.report(JpegPicture::ProgressStage::Running, percent);
}

// Rows of strip each picture not stored upright is decoded in.
constexpr int stripHeight = 64;

// The libjpeg part of the decode. Returns 0 on success, else libjpeg's error number; rows
// decoded before an error stay in the image (for a picture not stored upright, in the strip
// from context.stripStart on).
int decodeInto(DecodeContext& context, const QByteArray& data, int scaleEighths,
               qint64 coefficientBytes, QSize stored, std::vector<JSAMPROW>& rows,
               std::vector<JSAMPLE>& cmykBuffer)
{
    jpeg_decompress_struct& cinfo = context.cinfo;
    if (setjmp(context.err.jump))
        return context.err.pub.msg_code;

    jpeg_create_decompress(&cinfo);
    context.created = true;
    // The coefficient buffer was reserved from the budget; libjpeg may take no more than that
    // (past it the decoder stops with an error instead of taking the machine's memory).
    cinfo.mem->max_memory_to_use = long(coefficientBytes + decoderWorkspace);
    context.progress.pub.progress_monitor = progressMonitor;
    cinfo.progress = &context.progress.pub;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (const qint64 blocks = coefficientBytes / (DCTSIZE2 * qint64(sizeof(JCOEF))); blocks > 0)
        context.scanLimit = int(std::clamp<qint64>(maxScanBlocks / blocks, minScanLimit, maxScans));

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : rgb32ColorSpace;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    cinfo.do_block_smoothing = TRUE;
    cinfo.scale_num = unsigned(scaleEighths);
    cinfo.scale_denom = 8;
    cinfo.quantize_colors = FALSE;
    cinfo.buffered_image = FALSE;
    jpeg_start_decompress(&cinfo);
    if (int(cinfo.output_width) != stored.width() || int(cinfo.output_height) != stored.height())
        ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG); // the header changed under us; cannot happen

    const int width = stored.width();
    const int height = stored.height();
    const bool upright = context.orientation == 1;
    // Where stored row r goes: the picture itself, or its place in the strip.
    const auto target = [&](int row) {
        return upright ? rows.data() + row
                       : context.stripRows[context.buffer].data() + (row - context.stripStart);
    };
    // When the data of a single-scan file ends, the rows after it would only be made up; stop
    // there. A multi-scan file has read all its data by now, so its output pass shows all
    // that the scans it has hold.
    const bool singleScan = !jpeg_has_multiple_scans(&cinfo);
    const auto dataEnded = [&] { return singleScan && context.err.dataEnded; };
    const bool inverted = cinfo.saw_Adobe_marker;
    // Room for a whole row group, so libjpeg is not called once per row.
    constexpr int batchRows = 16;
    JSAMPROW bufferRows[batchRows];
    if (cmyk) {
        cmykBuffer.resize(size_t(width) * 4 * size_t(batchRows));
        for (int i = 0; i < batchRows; ++i)
            bufferRows[i] = cmykBuffer.data() + size_t(i) * size_t(width) * 4;
    }
    while (int(cinfo.output_scanline) < height && !dataEnded()) {
        const int row = int(cinfo.output_scanline);
        const int room = upright ? height - row : context.stripStart + stripHeight - row;
        // Rows are decoded in place; libjpeg hands back at most a row group per call, so the
        // progress monitor runs between batches.
        int got = 0;
        if (!cmyk) {
            got = int(jpeg_read_scanlines(&cinfo, target(row), JDIMENSION(room)));
        } else {
            got =
                int(jpeg_read_scanlines(&cinfo, bufferRows, JDIMENSION(std::min(batchRows, room))));
            JSAMPROW* out = target(row);
            for (int i = 0; i < got; ++i)
                cmykToRgb32(bufferRows[i], reinterpret_cast<QRgb*>(out[i]), width, inverted);
        }
        if (!context.hasRowWork()) {
            *context.decodedRows = row + got;
            continue;
        }
        // Upright, libjpeg's row groups need not add up to a strip exactly.
        if (row + got >= context.stripStart + stripHeight)
            context.handOver(row + got - context.stripStart);
        if (context.orientation <= 2)
            *context.decodedRows = context.finishedRows.load(std::memory_order_acquire);
    }
    // Whatever follows the last row (trailing markers, garbage) cannot change the picture, so
    // the decoder is not asked to read on to the end of the file.
    return 0;
}

// The header's own view of the file: size, the orientation tag of its EXIF block and the ICC
// profile it embeds (for a colour photo only).
struct HeaderFacts
{
    QSize stored;
    int exifTag = 0;
    QByteArray iccProfile;
    qint64 coefficientBytes = 0;
};

// Reads the header of a JPEG held in memory. Returns 0, else libjpeg's error number.
int readHeader(const QByteArray& data, HeaderFacts& facts, bool* dataEnded = nullptr)
{
    struct Header
    {
        jpeg_decompress_struct cinfo;
        ErrorManager err;
    } header{};
    installErrorManager(header.cinfo, header.err);
    if (setjmp(header.err.jump)) {
        const int code = header.err.pub.msg_code;
        if (dataEnded)
            *dataEnded = header.err.dataEnded;
        jpeg_destroy_decompress(&header.cinfo);
        return code;
    }
    jpeg_create_decompress(&header.cinfo);
    jpeg_mem_src(&header.cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&header.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&header.cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&header.cinfo, TRUE);
    facts.stored = QSize(int(header.cinfo.image_width), int(header.cinfo.image_height));
    facts.coefficientBytes = coefficientBufferBytes(header.cinfo);
    for (jpeg_saved_marker_ptr m = header.cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && facts.exifTag == 0)
            facts.exifTag = ExifOrientation::fromApp1(m->data, m->data_length);
    }
    // A grey or CMYK photo's profile describes other channels than the RGB it is shown in.
    const J_COLOR_SPACE space = header.cinfo.jpeg_color_space;
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    if ((space == JCS_YCbCr || space == JCS_RGB) &&
        jpeg_read_icc_profile(&header.cinfo, &icc, &iccLength) && icc) {
        facts.iccProfile = QByteArray(reinterpret_cast<const char*>(icc), qsizetype(iccLength));
        std::free(icc);
    }
    jpeg_destroy_decompress(&header.cinfo);
    return 0;
}

} // namespace

JpegPicture::JpegPicture() = default;
JpegPicture::~JpegPicture() = default;

std::unique_ptr<JpegPicture> JpegPicture::load(const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    if (extension.compare(QLatin1String("jpg"), Qt::CaseInsensitive) != 0 &&
        extension.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) != 0)
        throw QirvaError(QStringLiteral("拡張子 .%1 の画像形式は処理できません").arg(extension));

    auto picture = std::unique_ptr<JpegPicture>(new JpegPicture);
    switch (readRegularFile(path, picture->m_data, picture->m_fileStamp)) {
    case ReadResult::Ok:
        break;
    case ReadResult::CannotOpen:
        throw QirvaError(
            QStringLiteral("ファイル %1 は開けません").arg(FileNameCodec::shownPath(path)));
    case ReadResult::TooLarge:
        throw QirvaError(jpegErrorText(JERR_IMAGE_TOO_BIG));
    }
    // The file's bytes are held until the decode, so they count against the budget too.
    picture->m_dataReservation = PictureBudget::Reservation(picture->m_data.size());
    if (!picture->m_dataReservation.isValid())
        throw QirvaError(jpegErrorText(JERR_OUT_OF_MEMORY));

    // Only the header is read here; the decoder is created again for the pixels.
    HeaderFacts facts;
    if (const int code = readHeader(picture->m_data, facts); code != 0)
        throw QirvaError(jpegErrorText(code));
    const qint64 width = facts.stored.width();
    const qint64 height = facts.stored.height();
    const qint64 coefficientBytes = facts.coefficientBytes;

    // What the decode will hold at its peak: the pixels, the coefficients of a multi-scan
    // file and the file itself. Past the whole budget it could never be shown.
    if (width * height * 4 + coefficientBytes + picture->m_data.size() > PictureBudget::limit())
        throw QirvaError(jpegErrorText(JERR_IMAGE_TOO_BIG));
    picture->m_storedSize = facts.stored;
    picture->m_exifTag = facts.exifTag;
    picture->m_orientation = ExifOrientation::enabled() && facts.exifTag > 1 ? facts.exifTag : 1;
    const QSize upright = ExifOrientation::upright(facts.stored, picture->m_orientation);
    picture->m_width = upright.width();
    picture->m_height = upright.height();
    picture->m_colour = ColourProfile::transformFor(facts.iccProfile);
    picture->m_coefficientBytes = coefficientBytes;
    return picture;
}

JpegPicture::StoredShape JpegPicture::storedShapeOf(const QString& photoPath)
{
    // The markers come first in the file; the whole file is read only when they do not fit.
    constexpr qint64 headBytes = 256 * 1024;
    QByteArray data;
    FileStamp stamp;
    HeaderFacts facts;
    if (readRegularFile(photoPath, data, stamp, headBytes) != ReadResult::Ok)
        return {};
    bool dataEnded = false;
    if (readHeader(data, facts, &dataEnded) != 0) {
        if (!dataEnded || data.size() < headBytes ||
            readRegularFile(photoPath, data, stamp) != ReadResult::Ok ||
            readHeader(data, facts) != 0)
            return {};
    }
    const int tag = ExifOrientation::enabled() && facts.exifTag > 1 ? facts.exifTag : 1;
    return {tag, facts.stored};
}

void JpegPicture::followPhotoOrientation(const StoredShape& photo)
{
    if (m_exifTag != 0 || m_decoded || photo.orientation <= 1 || photo.size.isEmpty() ||
        m_storedSize.isEmpty())
        return;
    // Same shape: the copy's proportions are nearer the photo's as stored than turned.
    const auto aspectGap = [this](double w, double h) {
        return std::abs(std::log(double(m_storedSize.width()) / m_storedSize.height()) -
                        std::log(w / h));
    };
    const double w = photo.size.width(), h = photo.size.height();
    if (ExifOrientation::swapsAxes(photo.orientation) && aspectGap(w, h) > aspectGap(h, w))
        return;
    m_orientation = photo.orientation;
    const QSize upright = ExifOrientation::upright(m_storedSize, m_orientation);
    m_width = upright.width();
    m_height = upright.height();
}

qint64 JpegPicture::decodeBytes(QSize cover) const
{
    const QSize size =
        DecodeScale::scaled(QSize(m_width, m_height),
                            DecodeScale::eighthsToCover(QSize(m_width, m_height), cover));
    return qint64(size.width()) * size.height() * 4 + m_coefficientBytes;
}

void JpegPicture::abandon()
{
    m_abandoned.store(true, std::memory_order_relaxed);
}

void JpegPicture::setMinimumDecodeSize(QSize size)
{
    const int eighths = DecodeScale::eighthsToCover(QSize(m_width, m_height), size);
    if (eighths == m_scaleEighths)
        return;
    if (!m_decoded) {
        m_scaleEighths = eighths;
    } else if (eighths > m_scaleEighths && !m_data.isEmpty()) {
        m_scaleEighths = eighths;
        m_decoded = false; // the pixels already held stay until the larger decode replaces them
    }
}

QString JpegPicture::decode(const ProgressCallback& progress)
{
    if (m_decoded)
        return {};
    m_decoded = true;
    m_decodedRows = 0;

    auto context = std::make_unique<DecodeContext>();
    context->callback = &progress;
    context->abandoned = &m_abandoned;
    context->decodedRows = &m_decodedRows;
    context->progress.context = context.get();
    context->orientation = m_orientation;
    context->colour = m_colour.get();
    context->clock.start();
    context->report(ProgressStage::Starting, 0);

    QString error;
    try {
        const QSize size = DecodeScale::scaled(QSize(m_width, m_height), m_scaleEighths);
        const int width = size.width();
        const int height = size.height();
        // A larger decode of a reduced picture does not hold both.
        m_image = QImage();
        m_pixelReservation.release();
        // Other pictures held now (the preview, the photo being replaced) share the budget. The
        // coefficient buffer of a multi-scan file is full size whatever the output scale.
        m_pixelReservation = PictureBudget::Reservation(qint64(width) * height * 4);
        PictureBudget::Reservation coefficients(m_coefficientBytes);
        if (m_pixelReservation.isValid() && coefficients.isValid())
            m_image = allocateRgb32(width, height);
        if (m_image.isNull()) {
            m_pixelReservation.release();
            error = jpegErrorText(JERR_OUT_OF_MEMORY);
        } else {
            const bool upright = m_orientation == 1;
            const QSize stored = ExifOrientation::upright(size, m_orientation);
            std::vector<JSAMPROW> rows(upright ? static_cast<size_t>(height) : 0);
            uchar* bits = m_image.bits();
            for (size_t y = 0; y < rows.size(); ++y)
                rows[y] = bits + qsizetype(y) * m_image.bytesPerLine();
            context->stored = stored;
            context->image = &m_image;
            for (int s = 0; s < 2 && !upright; ++s) {
                context->strips[s].resize(size_t(stored.width()) * size_t(stripHeight));
                context->stripRows[s].resize(size_t(stripHeight));
                for (int i = 0; i < stripHeight; ++i)
                    context->stripRows[s][size_t(i)] = reinterpret_cast<JSAMPROW>(
                        context->strips[s].data() + size_t(i) * size_t(stored.width()));
            }
            if (context->hasRowWork() && qint64(width) * height >= rowWorkerMinimumPixels) {
                DecodeContext* c = context.get();
                c->worker.start([c](int strip, int firstRow, int count) {
                    c->placeRows(strip, firstRow, count, true);
                });
            }
            std::vector<JSAMPLE> cmykBuffer;
            installErrorManager(context->cinfo, context->err);
            const int code = decodeInto(*context, m_data, m_scaleEighths, m_coefficientBytes,
                                        stored, rows, cmykBuffer);
            int decodedRows = 0;
            if (context->created) {
                decodedRows = std::min(int(context->cinfo.output_scanline), stored.height());
                jpeg_destroy_decompress(&context->cinfo);
            }
            // The rows decoded since the last hand-over (an abandoned picture's too: its
            // pixels are let go below, but the worker must be done with them first).
            if (code != abandonedError)
                context->handOver(decodedRows - context->stripStart);
            context->worker.finish();
            if (code == abandonedError) {
                // Nobody will look at these pixels: let them go rather than paint them grey.
                m_image = QImage();
                m_pixelReservation.release();
            } else if (!upright) {
                // Grey strips for the rows never reached.
                std::vector<QRgb>& grey = context->strips[context->buffer];
                std::fill(grey.begin(), grey.end(), undecodedGrey);
                for (int row = context->stripStart; row < stored.height(); row += stripHeight)
                    context->placeRows(context->buffer, row,
                                       std::min(stripHeight, stored.height() - row), false);
                m_decodedRows = height;
            } else {
                // Rows the decoder never reached show grey. Filling only those (rather than the
                // whole picture up front) spares a full pass over the memory on every photo.
                for (int y = decodedRows; y < height; ++y)
                    std::fill_n(reinterpret_cast<QRgb*>(m_image.scanLine(y)), width,
                                undecodedGrey);
                m_decodedRows = height;
            }
            if (code != 0)
                error = jpegErrorText(code);
        }
    } catch (const std::bad_alloc&) {
        error = jpegErrorText(JERR_OUT_OF_MEMORY);
    }

    // After a full-size decode the pixels are all that is needed from now on; a reduced one
    // keeps the file for a larger decode later.
    if (m_scaleEighths == 8) {
        m_data = QByteArray();
        m_dataReservation.release();
    }
    context->report(ProgressStage::Ending, error.isEmpty() ? 100 : 0);
    return error;
}
