#include "picture/PictureBudget.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include <unistd.h>

namespace {

// The photo decoded ahead takes and gives back its memory in a worker thread.
std::mutex s_mutex;
qint64 s_limit = -1; // -1 until first asked: the default needs a system call
qint64 s_inUse = 0;

qint64 limitLocked()
{
    if (s_limit < 0)
        s_limit = PictureBudget::defaultLimit();
    return s_limit;
}

} // namespace

qint64 PictureBudget::defaultLimit()
{
    constexpr qint64 oneGiB = qint64(1) << 30;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return oneGiB;
    return std::min(oneGiB, qint64(pages) * pageSize / 2);
}

qint64 PictureBudget::limit()
{
    const std::lock_guard lock(s_mutex);
    return limitLocked();
}

void PictureBudget::setLimit(qint64 bytes)
{
    const std::lock_guard lock(s_mutex);
    s_limit = std::max<qint64>(bytes, 0);
}

qint64 PictureBudget::inUse()
{
    const std::lock_guard lock(s_mutex);
    return s_inUse;
}

qint64 PictureBudget::available()
{
    const std::lock_guard lock(s_mutex);
    return std::max<qint64>(limitLocked() - s_inUse, 0);
}

PictureBudget::Reservation::Reservation(qint64 bytes)
{
    const std::lock_guard lock(s_mutex);
    if (bytes < 0 || bytes > limitLocked() - s_inUse)
        return;
    m_bytes = bytes;
    m_valid = true;
    s_inUse += bytes;
}

PictureBudget::Reservation::~Reservation()
{
    release();
}

PictureBudget::Reservation::Reservation(Reservation&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, 0)), m_valid(std::exchange(other.m_valid, false))
{
}

PictureBudget::Reservation& PictureBudget::Reservation::operator=(Reservation&& other) noexcept
{
    if (this != &other) {
        release();
        m_bytes = std::exchange(other.m_bytes, 0);
        m_valid = std::exchange(other.m_valid, false);
    }
    return *this;
}

void PictureBudget::Reservation::release()
{
    if (m_valid) {
        const std::lock_guard lock(s_mutex);
        s_inUse -= m_bytes;
    }
    m_bytes = 0;
    m_valid = false;
}
