#include "picture/PixelPool.h"

#include <array>
#include <cstdlib>
#include <mutex>
#include <utility>

#include <sys/mman.h>

namespace {

constexpr std::size_t hugePageSize = PixelPool::minimumBytes;

struct Spare
{
    void* block = nullptr;
    std::size_t bytes = 0;
};

std::mutex s_mutex;
std::array<Spare, 2> s_spares; // empty ones have no bytes

std::size_t rounded(std::size_t bytes)
{
    return (bytes + hugePageSize - 1) / hugePageSize * hugePageSize;
}

} // namespace

void* PixelPool::take(std::size_t bytes)
{
    const std::size_t size = rounded(bytes);
    {
        std::lock_guard lock(s_mutex);
        for (Spare& spare : s_spares) {
            if (spare.block && spare.bytes == size)
                return std::exchange(spare, Spare{}).block;
        }
    }
    void* block = std::aligned_alloc(hugePageSize, size);
    if (block)
        ::madvise(block, size, MADV_HUGEPAGE); // only advice: without it, small pages do
    return block;
}

void PixelPool::give(void* block, std::size_t bytes)
{
    if (!block)
        return;
    Spare given{block, rounded(bytes)};
    {
        std::lock_guard lock(s_mutex);
        // One spare per size, and of the sizes the largest: they are the dearest to fault in.
        Spare* slot = &s_spares.front();
        for (Spare& spare : s_spares) {
            if (spare.bytes == given.bytes) {
                slot = &spare;
                break;
            }
            if (spare.bytes < slot->bytes)
                slot = &spare;
        }
        if (slot->bytes <= given.bytes)
            std::swap(*slot, given);
    }
    std::free(given.block);
}

void PixelPool::trim()
{
    std::array<Spare, 2> stale;
    {
        std::lock_guard lock(s_mutex);
        stale = std::exchange(s_spares, {});
    }
    for (const Spare& spare : stale)
        std::free(spare.block);
}

std::size_t PixelPool::spareBytes()
{
    std::lock_guard lock(s_mutex);
    std::size_t bytes = 0;
    for (const Spare& spare : s_spares)
        bytes += spare.block ? spare.bytes : 0;
    return bytes;
}
