#pragma once
// The platform functions that tests replace, in one record. Each field starts
// as the real function; whoever puts another in puts the old one back when
// done (tests/support/hook_swap.h does both). Command-line tools also send
// the message boxes to their own output this way.

#include "platform/message_box.h"

#include <cstddef>
#include <string>
#include <sys/types.h>

struct PlatformHooks {
    // write(2), for every file writeFileAtomically replaces: a test makes a
    // save fail part-way.
    ssize_t (*writeFile)(int fd, const void* data, size_t size);
    // open(2) with O_CREAT, for every file writeFileAtomically creates: a
    // test sees the mode a new file starts with, before anything narrows it.
    int (*createFile)(const char* path, int flags, mode_t mode);
    // What showMessageBox does (showSystemMessage): nothing may wait on a box
    // in a test.
    void (*showMessage)(const std::string& caption, const std::string& text, MessageIcon icon);
};

extern PlatformHooks platformHooks;
