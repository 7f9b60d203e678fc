#include "platform/platform_hooks.h"

#include <unistd.h>

PlatformHooks platformHooks = {::write, showSystemMessage};
