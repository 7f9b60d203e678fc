# The ready-to-run game folder, ${CMAKE_BINARY_DIR}/game: the programs side by
# side with the data/ folder they read, built with everything else.
#
# Programs that exist as targets are copied in; the editor program joins by
# adding its target name to game_programs below.
set(game_dir ${CMAKE_BINARY_DIR}/game)
set(game_programs)
foreach(program quillmark quillmark-tool quillmark-config)
    if(TARGET ${program})
        list(APPEND game_programs ${program})
    endif()
endforeach()

# The data set is made again whenever the tool that makes it changes (or the
# folder is gone). A map already there is kept.
add_custom_command(
    OUTPUT ${game_dir}/data/Hexagon.ms3d
    COMMAND quillmark-tool make-assets --quiet ${game_dir}
    DEPENDS quillmark-tool
    COMMENT "Making the default data set in ${game_dir}/data"
    VERBATIM)

set(game_copies)
foreach(program ${game_programs})
    list(APPEND game_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different
         $<TARGET_FILE:${program}> ${game_dir}/)
endforeach()
add_custom_target(game ALL
    ${game_copies}
    DEPENDS ${game_dir}/data/Hexagon.ms3d
    COMMENT "Game folder: ${game_dir}"
    VERBATIM)
add_dependencies(game ${game_programs})
