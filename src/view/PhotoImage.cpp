#include "view/PhotoImage.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

PhotoImage::PhotoImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

PhotoImage::~PhotoImage() = default;

void PhotoImage::setPicture(std::unique_ptr<JpegPicture> picture)
{
    m_picture = std::move(picture);
    update();
}

void PhotoImage::decodeIfNeeded()
{
    if (isVisible())
        decodeNow();
}

const QImage& PhotoImage::decodedImage()
{
    static const QImage none;
    if (!m_picture)
        return none;
    decodeNow();
    return m_picture->image();
}

void PhotoImage::decodeNow()
{
    if (!m_picture || m_picture->isDecoded() || m_decoding)
        return;
    m_decoding = true;
    JpegPicture* decoding = m_picture.get();
    const QString error = decoding->decode(
        [this](JpegPicture::ProgressStage stage, int percent) { emit progress(stage, percent); });
    m_decoding = false;
    update();
    if (!error.isEmpty())
        emit decodeFailed(error);
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
    if (image.isNull() || width() <= 0 || height() <= 0)
        return;

    // Draw only the exposed part: at high zoom the control is far larger than the screen.
    const QRectF target = event->rect();
    const qreal sx = qreal(image.width()) / width();
    const qreal sy = qreal(image.height()) / height();
    const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx,
                        target.height() * sy);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, width() < image.width());
    painter.drawImage(target, image, source);
}
