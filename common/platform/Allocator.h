#pragma once

// How the program's memory allocator is set up, once, at the start of main().
namespace quelvane::platform {

// A large centre document's tree is hundreds of thousands of small blocks. glibc keeps such
// blocks unmerged in its "fast bins" when they are freed, and the next large allocation then
// merges them all at once: some 30 ms after the tree of a large centre is freed, more than
// freeing it took. Without fast bins each block is merged as it is freed, for less in all.
// Call before the program starts any thread; elsewhere than glibc it does nothing.
void mergeFreedBlocksPromptly();

} // namespace quelvane::platform
