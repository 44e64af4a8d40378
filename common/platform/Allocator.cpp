#include "common/platform/Allocator.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quelvane::platform {

void mergeFreedBlocksPromptly()
{
#ifdef __GLIBC__
    mallopt(M_MXFAST, 0);
#endif
}

} // namespace quelvane::platform
