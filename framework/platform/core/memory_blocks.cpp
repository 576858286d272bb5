#include "framework/platform/core/memory_blocks.h"

#include <map>
#include <mutex>

namespace dbprobe::platform {
namespace {

struct Blocks {
    std::mutex lock;
    BlockNumber next = 1;
    std::map<BlockNumber, std::vector<char>> blocks;
};

Blocks& TheBlocks() {
    static Blocks blocks;
    return blocks;
}

}  // namespace

BlockNumber AllocateBlock(std::size_t size) {
    Blocks& b = TheBlocks();
    std::lock_guard guard(b.lock);
    const BlockNumber number = b.next++;
    b.blocks[number].assign(size, '\0');
    return number;
}

std::vector<char>* LockBlock(BlockNumber block) {
    Blocks& b = TheBlocks();
    std::lock_guard guard(b.lock);
    auto it = b.blocks.find(block);
    return it == b.blocks.end() ? nullptr : &it->second;
}

void FreeBlock(BlockNumber block) {
    Blocks& b = TheBlocks();
    std::lock_guard guard(b.lock);
    b.blocks.erase(block);
}

}  // namespace dbprobe::platform
