#pragma once

#include <cstddef>

// Pixel memory for large pictures: 2 MiB-aligned blocks with huge-page advice, faulted in a
// fraction of the time small pages take. The largest block let go since the last request is
// kept as a spare for the next picture of the same size: stepping between photos of one camera then
// touches no fresh memory, which the kernel would first have to zero (a tenth of a decode).
// At most one spare is kept; a request of another size, or trim(), frees it. Safe from any
// thread.
namespace PixelPool {

// Blocks are used from this size up; smaller pictures take ordinary memory.
constexpr std::size_t minimumBytes = std::size_t(2) << 20;

// A block of at least `bytes` (rounded up to whole 2 MiB pages), the spare when it is as large.
// Null when the memory cannot be had.
void* take(std::size_t bytes);
// Returns a block from take(); it becomes the spare unless the spare is larger (the smaller of
// the two is freed).
void give(void* block, std::size_t bytes);
// Frees the spare: nothing is expected to take it soon.
void trim();
// The size of the spare block, 0 for none.
std::size_t spareBytes();

} // namespace PixelPool
