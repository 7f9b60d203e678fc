# How Quillmark installs (cmake --install, the Debian package, build/stage).
# Every path is relative to the prefix, and the launcher finds the rest from
# its own path, so an installed tree may move:
#   bin/quillmark              the launcher: prepares the user's game folder
#   bin/quillmark-tool
#   lib/quillmark/             the editor and config.exe, not on PATH
#   share/quillmark/data/      the default data set
#   share/applications/, share/metainfo/, share/icons/hicolor/<N>x<N>/apps/
#   share/man/man1/, share/doc/quillmark/
# The "runtime" component (programs, launcher, data) is what build/stage
# holds; the package has every component.
set(packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_made ${CMAKE_BINARY_DIR}/packaging)
set(app_id org.quillmark.Quillmark)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_MESSAGE LAZY)
# Installing (and so cpack) builds nothing by itself: install_files names all
# that is installed, and scripts/package.sh builds just that, not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The version has one source, project(VERSION); the changelog and the
# metainfo name it too, and must agree.
file(STRINGS ${packaging_source}/changelog changelog_top LIMIT_COUNT 1)
file(READ ${packaging_source}/${app_id}.metainfo.xml metainfo_text)
if(NOT changelog_top MATCHES "^quillmark \\(${PROJECT_VERSION}\\) " OR
   NOT metainfo_text MATCHES "<release version=\"${PROJECT_VERSION}\"")
    message(FATAL_ERROR "packaging/changelog and the metainfo's newest release must name "
                        "version ${PROJECT_VERSION}, as project(VERSION) does")
endif()

configure_file(${packaging_source}/quillmark.sh.in ${packaging_made}/bin/quillmark @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)

# Tools run at build time; an AddressSanitizer build's leak check would fail
# them on the GL driver's leaks at exit, and ThreadSanitizer's reports on the
# GL driver's threads (the sanitizer passes run the tests, not these).
set(run_built ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
              TSAN_OPTIONS=report_bugs=0:exitcode=0)

# The default data set, made afresh, so it never holds an edited map.
set(default_data ${packaging_made}/share/data)
add_custom_command(
    OUTPUT ${default_data}/Hexagon.ms3d
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${default_data}
    COMMAND quillmark-tool make-assets --quiet ${packaging_made}/share
    DEPENDS quillmark-tool
    COMMENT "Making the default data set to install"
    VERBATIM)

# The icon: the castle on a land hex, drawn by model preview.
set(icon_files)
foreach(size 48 128 256)
    set(icon ${packaging_made}/icons/${size}/${app_id}.png)
    file(MAKE_DIRECTORY ${packaging_made}/icons/${size})
    add_custom_command(
        OUTPUT ${icon}
        COMMAND ${run_built} $<TARGET_FILE:quillmark-tool> model preview
                ${default_data}/object0007.ms3d --on-hex --transparent --smooth 4 --pitch 35
                --size ${size}x${size} -o ${icon}
        DEPENDS quillmark-tool ${default_data}/Hexagon.ms3d
        COMMENT "Drawing the ${size} x ${size} icon"
        VERBATIM)
    list(APPEND icon_files ${icon})
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps COMPONENT desktop)
endforeach()

# The windows show the 48-pixel one, the size task switchers draw.
set(icon_source ${packaging_made}/app_icon_data.cpp)
add_custom_command(
    OUTPUT ${icon_source}
    COMMAND ${CMAKE_COMMAND} -DPNG=${packaging_made}/icons/48/${app_id}.png -DOUT=${icon_source}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedIcon.cmake
    DEPENDS ${packaging_made}/icons/48/${app_id}.png ${PROJECT_SOURCE_DIR}/cmake/EmbedIcon.cmake
    VERBATIM)
add_library(quillmark_app_icon STATIC ${icon_source})
target_link_libraries(quillmark_app_icon PUBLIC quillmark_platform)
target_link_libraries(quillmark PRIVATE quillmark_app_icon)
target_link_libraries(quillmark-config PRIVATE quillmark_app_icon)

# Manual pages from --help and --version.
find_program(HELP2MAN help2man REQUIRED)
set(man_pages)
file(MAKE_DIRECTORY ${packaging_made}/man ${packaging_made}/doc)
foreach(page "quillmark|${packaging_made}/bin/quillmark|the Quillmark hex-map editor"
             "quillmark-tool|$<TARGET_FILE:quillmark-tool>|Quillmark's command-line tools for maps, models and textures"
             "config.exe|$<TARGET_FILE:quillmark-config>|choose the display mode Quillmark starts in")
    string(REPLACE "|" ";" page "${page}")
    list(GET page 0 name)
    list(GET page 1 program)
    list(GET page 2 about)
    set(man ${packaging_made}/man/${name}.1)
    add_custom_command(
        OUTPUT ${man}.gz
        COMMAND ${run_built} ${HELP2MAN} --no-info --section=1 --source=Quillmark
                "--name=${about}" --output=${man} ${program}
        COMMAND gzip -9nf ${man}
        DEPENDS ${program} ${packaging_source}/quillmark.sh.in
        COMMENT "Writing the manual page ${name}(1)"
        VERBATIM)
    list(APPEND man_pages ${man}.gz)
endforeach()

add_custom_command(
    OUTPUT ${packaging_made}/doc/changelog.gz
    COMMAND sh -c "gzip -9nc \"$0\" >\"$1\"" ${packaging_source}/changelog
            ${packaging_made}/doc/changelog.gz
    DEPENDS ${packaging_source}/changelog
    VERBATIM)

add_custom_target(install_files ALL
    DEPENDS ${default_data}/Hexagon.ms3d ${icon_files} ${man_pages}
            ${packaging_made}/doc/changelog.gz)
add_dependencies(install_files quillmark quillmark-tool quillmark-config)

install(PROGRAMS ${packaging_made}/bin/quillmark DESTINATION bin COMPONENT runtime)
install(TARGETS quillmark-tool RUNTIME DESTINATION bin COMPONENT runtime)
install(TARGETS quillmark quillmark-config RUNTIME DESTINATION lib/quillmark COMPONENT runtime)
install(DIRECTORY ${default_data}/ DESTINATION share/quillmark/data COMPONENT runtime)
install(FILES ${packaging_source}/${app_id}.desktop DESTINATION share/applications
        COMPONENT desktop)
install(FILES ${packaging_source}/${app_id}.metainfo.xml DESTINATION share/metainfo
        COMPONENT desktop)
install(FILES ${man_pages} DESTINATION share/man/man1 COMPONENT doc)
install(FILES ${packaging_source}/copyright ${packaging_made}/doc/changelog.gz
        DESTINATION share/doc/quillmark COMPONENT doc)

# build/stage: the runtime part of the install layout, which scripts/run.sh
# starts, so a map edited from a build is the one an installed Quillmark opens.
# (CPack builds with DESTDIR set for its own install: not meant for this one.)
add_custom_target(stage ALL
    COMMAND ${CMAKE_COMMAND} -E env --unset=DESTDIR
            ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --component runtime
            --prefix ${CMAKE_BINARY_DIR}/stage
    COMMENT "Staging the install layout in ${CMAKE_BINARY_DIR}/stage"
    VERBATIM)
add_dependencies(stage install_files)
