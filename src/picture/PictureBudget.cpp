#include "picture/PictureBudget.h"

#include <algorithm>
#include <utility>

#include <unistd.h>

namespace {

qint64 s_limit = -1; // -1 until first asked: the default needs a system call
qint64 s_inUse = 0;

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
    if (s_limit < 0)
        s_limit = defaultLimit();
    return s_limit;
}

void PictureBudget::setLimit(qint64 bytes)
{
    s_limit = std::max<qint64>(bytes, 0);
}

qint64 PictureBudget::inUse()
{
    return s_inUse;
}

PictureBudget::Reservation::Reservation(qint64 bytes)
{
    if (bytes < 0 || bytes > limit() - s_inUse)
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
    if (m_valid)
        s_inUse -= m_bytes;
    m_bytes = 0;
    m_valid = false;
}
