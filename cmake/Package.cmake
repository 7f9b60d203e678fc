# The Debian package, built by `cpack` in the build folder (scripts/package.sh):
# build/quillmark_<version>_amd64.deb with everything cmake --install puts
# under /usr. A native package: no Debian revision.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Quillmark developers")
set(CPACK_PACKAGE_CONTACT "Quillmark developers <developers@quillmark.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D map editor for a hex-grid strategy game")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmark shows a field of 15 by 11 hexagon tiles with terrain, water,
objects and units under a camera that glides after a cursor, and edits it
from the keyboard. Each user's map, models and display settings live in
~/.local/share/quillmark, prepared by the launcher quillmark.
.
quillmark-tool turns maps into text and back, checks and compares them,
imports models from OBJ, glTF, FBX or Collada and pictures from PNG or JPEG,
and draws maps and models without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
