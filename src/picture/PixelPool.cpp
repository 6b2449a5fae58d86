#include "picture/PixelPool.h"

#include <cstdlib>
#include <mutex>
#include <utility>

#include <sys/mman.h>

namespace {

constexpr std::size_t hugePageSize = PixelPool::minimumBytes;

std::mutex s_mutex;
void* s_spare = nullptr;
std::size_t s_spareBytes = 0;

std::size_t rounded(std::size_t bytes)
{
    return (bytes + hugePageSize - 1) / hugePageSize * hugePageSize;
}

} // namespace

void* PixelPool::take(std::size_t bytes)
{
    const std::size_t size = rounded(bytes);
    void* stale = nullptr;
    {
        std::lock_guard lock(s_mutex);
        if (s_spare && s_spareBytes == size) {
            s_spareBytes = 0;
            return std::exchange(s_spare, nullptr);
        }
        stale = std::exchange(s_spare, nullptr);
        s_spareBytes = 0;
    }
    std::free(stale);
    void* block = std::aligned_alloc(hugePageSize, size);
    if (block)
        ::madvise(block, size, MADV_HUGEPAGE); // only advice: without it, small pages do
    return block;
}

void PixelPool::give(void* block, std::size_t bytes)
{
    if (!block)
        return;
    void* stale = nullptr;
    {
        std::lock_guard lock(s_mutex);
        stale = std::exchange(s_spare, block);
        s_spareBytes = rounded(bytes);
    }
    std::free(stale);
}

void PixelPool::trim()
{
    void* stale = nullptr;
    {
        std::lock_guard lock(s_mutex);
        stale = std::exchange(s_spare, nullptr);
        s_spareBytes = 0;
    }
    std::free(stale);
}

std::size_t PixelPool::spareBytes()
{
    std::lock_guard lock(s_mutex);
    return s_spareBytes;
}
