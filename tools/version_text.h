#pragma once
// What `--version` prints for the programs Quillmark installs. The version
// comes from the build (project(VERSION ...)); the text is what help2man
// reads for the manual pages.

#include <string>

#ifndef QUILLMARK_VERSION
#error "link quillmark_version for QUILLMARK_VERSION"
#endif

inline std::string versionText(const std::string& program) {
    return program + " " QUILLMARK_VERSION "\n"
                     "Copyright (c) 2026 the Quillmark developers\n"
                     "This is free software under the MIT licence; there is NO warranty.\n";
}
