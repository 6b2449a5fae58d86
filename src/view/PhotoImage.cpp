#include "view/PhotoImage.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>

#include "picture/DecodeScale.h"

namespace {

// One decode at a time: the repaints a decode makes from its progress reports must not start
// the decode of another picture in the middle of it.
bool decodeRunning = false;

} // namespace

PhotoImage::PhotoImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

PhotoImage::~PhotoImage() = default;

void PhotoImage::setPicture(std::unique_ptr<JpegPicture> picture)
{
    m_picture = std::move(picture);
    m_paintedRows = 0;
    m_firstDecodeDone = false;
    m_errorReported = false;
    update();
}

std::unique_ptr<JpegPicture> PhotoImage::replacePicture(std::unique_ptr<JpegPicture> picture)
{
    std::unique_ptr<JpegPicture> previous = std::move(m_picture);
    const bool intact = previous && !m_decoding && previous->isDecoded() && !m_errorReported &&
                        !previous->image().isNull();
    setPicture(std::move(picture));
    return intact ? std::move(previous) : nullptr;
}

void PhotoImage::takeLargerDecode(std::unique_ptr<JpegPicture> picture)
{
    if (!m_picture || !picture || m_decoding || !picture->isDecoded() ||
        picture->width() != m_picture->width() || picture->height() != m_picture->height() ||
        picture->image().width() <= m_picture->image().width())
        return;
    m_picture = std::move(picture);
    update();
}

bool PhotoImage::needsLargerDecode() const
{
    if (!m_picture || !m_picture->isDecoded())
        return false;
    const QSize natural(m_picture->width(), m_picture->height());
    const QSize needed = DecodeScale::scaled(
        natural, DecodeScale::eighthsToCover(natural, size() * devicePixelRatioF()));
    const QSize held = m_picture->image().size();
    return held.width() < needed.width() || held.height() < needed.height();
}

void PhotoImage::decodeIfNeeded()
{
    if (!isVisible() || decodeRunning)
        return;
    if (m_picture && m_decodeToDrawnSize && !m_decoding) {
        const bool undecoded = !m_picture->isDecoded();
        if ((undecoded || needsLargerDecode()) && m_elsewhere && m_elsewhere()) {
            if (!undecoded)
                decodeNow(); // reports the arrival of a picture that came decoded
            return;
        }
        m_picture->setMinimumDecodeSize(size() * devicePixelRatioF());
    }
    decodeNow();
}

const QImage& PhotoImage::fullSizeImage()
{
    static const QImage none;
    if (!m_picture)
        return none;
    m_picture->setMinimumDecodeSize(QSize(m_picture->width(), m_picture->height()));
    decodeNow();
    return m_picture->image();
}

void PhotoImage::decodeNow()
{
    if (!m_picture || m_decoding)
        return;
    const bool first = !m_firstDecodeDone;
    m_firstDecodeDone = true;
    if (m_picture->isDecoded()) {
        if (first) {
            emit progress(JpegPicture::ProgressStage::Starting, 0);
            emit progress(JpegPicture::ProgressStage::Ending, 100);
        }
        return;
    }
    m_decoding = true;
    decodeRunning = true;
    m_paintedRows = 0;
    JpegPicture* decoding = m_picture.get();
    // A larger decode of a picture already on show reports nothing and draws nothing until it
    // is whole: the photo is on the screen all the while.
    const QString error =
        decoding->decode([this, first](JpegPicture::ProgressStage stage, int percent) {
            if (!first)
                return;
            emit progress(stage, percent);
            if (stage == JpegPicture::ProgressStage::Running && m_incremental)
                paintNewRows();
        });
    decodeRunning = false;
    m_decoding = false;
    update();
    if (!error.isEmpty() && !m_errorReported) {
        m_errorReported = true;
        emit decodeFailed(error);
    }
}

void PhotoImage::paintNewRows()
{
    // Rows of the picture being decoded, which may be a reduced one.
    const int rows = m_picture->decodedRows();
    const int pictureHeight = m_picture->image().height();
    if (rows <= m_paintedRows || pictureHeight <= 0)
        return;
    // The band of the control that the new rows cover, widened to whole control rows.
    const int top = int(qint64(m_paintedRows) * height() / pictureHeight);
    const int bottom = int((qint64(rows) * height() + pictureHeight - 1) / pictureHeight);
    m_paintedRows = rows;
    // Painted now, with whatever else of the window waits for a paint: the decode holds the
    // event loop until it ends.
    repaint(QRect(0, top, width(), bottom - top));
}

void PhotoImage::paintEvent(QPaintEvent* event)
{
    if (!m_picture)
        return;
    if (!m_picture->isDecoded() && !m_decoding) {
        // Painting cannot decode; do it right after this paint.
        if (!m_decodeQueued) {
            m_decodeQueued = true;
            QTimer::singleShot(0, this, [this] {
                m_decodeQueued = false;
                decodeIfNeeded();
            });
        }
        return;
    }
    const QImage& image = m_picture->image();
    const int rows = std::min(m_picture->decodedRows(), image.height());
    if (image.isNull() || rows <= 0 || width() <= 0 || height() <= 0)
        return;
    // While the picture decodes only its top rows hold pixels: draw from those alone, so no
    // row that is still to come can bleed into the smoothing at their edge.
    const QImage decoded =
        rows == image.height()
            ? image
            : QImage(image.constBits(), image.width(), rows, image.bytesPerLine(), image.format());
    const int coveredHeight = int(qint64(rows) * height() / image.height());

    // Draw only the exposed part: at high zoom the control is far larger than the screen.
    const QRectF target = QRectF(event->rect()).intersected(QRectF(0, 0, width(), coveredHeight));
    if (target.isEmpty())
        return;
    const qreal sx = qreal(image.width()) / width();
    const qreal sy = qreal(image.height()) / height();
    const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx,
                        target.height() * sy);
    QPainter painter(this);
    // Smooth when scaled down, and for the reduced decode drawn larger while the full one
    // comes; photo pixels at a zoom above 100% stay sharp squares.
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          width() * devicePixelRatioF() < image.width() ||
                              image.width() < m_picture->width());
    painter.drawImage(target, decoded, source);
}
