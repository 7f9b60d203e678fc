#include "platform/platform_hooks.h"

#include <fcntl.h>
#include <unistd.h>

namespace {
int openToCreate(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
} // namespace

PlatformHooks platformHooks = {::write, openToCreate, showSystemMessage};
