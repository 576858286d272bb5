#pragma once
// Movable memory blocks: numbered blocks of bytes that a program hands over by
// number (the BLOB handle property exchanges them).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dbprobe::platform {

using BlockNumber = std::uint32_t;  // 0 is no block

// A new block of `size` zero bytes.
BlockNumber AllocateBlock(std::size_t size);
// The block's bytes; nullptr for an unknown number.
std::vector<char>* LockBlock(BlockNumber block);
// Frees the block; unknown numbers are ignored.
void FreeBlock(BlockNumber block);

}  // namespace dbprobe::platform
