#pragma once

#include <cstddef>

// Pixel memory for large pictures: 2 MiB-aligned blocks with huge-page advice, faulted in a
// fraction of the time small pages take. Blocks let go are kept as spares for the next picture
// of the same size: stepping between photos of one camera then touches no fresh memory, which
// the kernel would first have to zero (a tenth of a decode). At most two spares are kept, one
// per size, the largest let go; trim() frees them. Safe from any thread.
namespace PixelPool {

// Blocks are used from this size up; smaller pictures take ordinary memory.
constexpr std::size_t minimumBytes = std::size_t(2) << 20;

// A block of at least `bytes` (rounded up to whole 2 MiB pages), a spare of that size when
// there is one. Null when the memory cannot be had.
void* take(std::size_t bytes);
// Returns a block from take(). It becomes a spare in place of the one of its size, or of the
// smaller of the two; a block smaller than both spares is freed.
void give(void* block, std::size_t bytes);
// Frees the spares: nothing is expected to take them soon.
void trim();
// The size of the spare blocks together, 0 for none.
std::size_t spareBytes();

} // namespace PixelPool
