#include "picture/DecodeAhead.h"

#include "picture/DecodeScale.h"
#include "picture/FileStamp.h"
#include "picture/JpegPicture.h"
#include "picture/PixelPool.h"
#include "picture/PictureBudget.h"
#include "view/FitGeometry.h"

QSize DecodeAhead::drawnSize(const Size& size, QSize natural)
{
    if (size.box.isEmpty())
        return natural;
    return FitGeometry::fit(size.box, natural).size * size.devicePixelRatio;
}

DecodeAhead::DecodeAhead() : m_worker([this] { run(); }) {}

DecodeAhead::~DecodeAhead()
{
    std::unique_ptr<JpegPicture> held;
    {
        const std::lock_guard lock(m_mutex);
        held = dropLocked();
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void DecodeAhead::start(const QString& path, Size size, qint64 keepFreeBytes)
{
    std::unique_ptr<JpegPicture> held;
    {
        const std::lock_guard lock(m_mutex);
        // Kept only at the scale the view would decode at itself: a smaller one would be
        // decoded again when shown, a larger one holds memory for nothing.
        if (!m_path.isEmpty() && path == m_path &&
            (size == m_size ||
             (m_eighths > 0 &&
              DecodeScale::eighthsToCover(m_natural, drawnSize(size, m_natural)) == m_eighths)))
            return;
        held = dropLocked();
        m_path = path;
        m_size = size;
        m_order = Order{path, size, keepFreeBytes, m_generation};
    }
    m_wake.notify_one();
}

void DecodeAhead::drop(bool keepSpare)
{
    {
        std::unique_ptr<JpegPicture> held;
        const std::lock_guard lock(m_mutex);
        held = dropLocked();
    }
    // No picture decoded ahead is coming to take the spare pixel blocks.
    if (!keepSpare)
        PixelPool::trim();
}

std::unique_ptr<JpegPicture> DecodeAhead::take(const QString& path)
{
    std::unique_ptr<JpegPicture> picture, other;
    {
        std::unique_lock lock(m_mutex);
        if (!m_path.isEmpty() && path == m_path) {
            // A decode in flight is further along than a fresh load and decode would be.
            const quint64 generation = m_generation;
            m_ended.wait(lock, [&] { return !m_order && m_working != generation; });
            picture = std::move(m_ready);
        }
        other = dropLocked();
    }
    if (picture) {
        const std::optional<FileStamp> now = FileStamp::of(path);
        if (!now || *now != picture->fileStamp())
            picture.reset();
    }
    return picture;
}

QString DecodeAhead::path() const
{
    const std::lock_guard lock(m_mutex);
    return m_path;
}

DecodeAhead::Status DecodeAhead::status() const
{
    const std::lock_guard lock(m_mutex);
    if (m_path.isEmpty())
        return Status::None;
    if (m_ready)
        return Status::Ready;
    if (m_order || m_working == m_generation)
        return Status::Working;
    return Status::Failed;
}

void DecodeAhead::adopt(const QString& path, Size size, std::unique_ptr<JpegPicture> picture)
{
    std::unique_ptr<JpegPicture> held;
    {
        const std::lock_guard lock(m_mutex);
        held = dropLocked();
        m_path = path;
        m_size = size;
        m_natural = QSize(picture->width(), picture->height());
        m_eighths = DecodeScale::eighthsToCover(m_natural, drawnSize(size, m_natural));
        m_ready = std::move(picture);
    }
}

void DecodeAhead::setOnSettled(std::function<void()> onSettled)
{
    const std::lock_guard lock(m_mutex);
    m_onSettled = std::move(onSettled);
}

std::unique_ptr<JpegPicture> DecodeAhead::dropLocked()
{
    ++m_generation;
    if (m_decoding)
        m_decoding->abandon();
    m_path.clear();
    m_size = {};
    m_eighths = 0;
    m_natural = {};
    m_order.reset();
    return std::move(m_ready);
}

void DecodeAhead::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_order; });
        if (m_stop)
            return;
        const Order order = std::move(*m_order);
        m_order.reset();
        m_working = order.generation;
        lock.unlock();
        std::unique_ptr<JpegPicture> picture = loadAndDecode(order);
        lock.lock();
        m_working = 0;
        const bool current = order.generation == m_generation;
        if (current)
            m_ready = std::move(picture);
        m_ended.notify_all();
        if (current && m_onSettled)
            m_onSettled();
        if (picture) { // made for an order dropped meanwhile
            lock.unlock();
            picture.reset();
            lock.lock();
        }
    }
}

std::unique_ptr<JpegPicture> DecodeAhead::loadAndDecode(const Order& order)
{
    std::unique_ptr<JpegPicture> picture;
    try {
        picture = JpegPicture::load(order.path);
    } catch (...) {
        return nullptr; // reported by the normal path if the photo is shown
    }
    const QSize natural(picture->width(), picture->height());
    const QSize drawn = drawnSize(order.size, natural);
    picture->setMinimumDecodeSize(drawn);
    if (picture->decodeBytes(drawn) + order.keepFreeBytes > PictureBudget::available())
        return nullptr;
    {
        const std::lock_guard lock(m_mutex);
        if (order.generation != m_generation)
            return nullptr;
        m_natural = natural;
        m_eighths = DecodeScale::eighthsToCover(natural, drawn);
        m_decoding = picture.get();
    }
    bool decoded = false;
    try {
        decoded = picture->decode().isEmpty();
    } catch (...) {
    }
    {
        const std::lock_guard lock(m_mutex);
        m_decoding = nullptr;
    }
    return decoded ? std::move(picture) : nullptr;
}
