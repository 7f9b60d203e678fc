# cmake -DPNG=icon.png -DOUT=app_icon_data.cpp -P EmbedIcon.cmake
# Writes the PNG's bytes as the definition of appIcon() (platform/app_icon.h).
file(READ ${PNG} hex HEX)
string(LENGTH "${hex}" length)
if(length EQUAL 0)
    message(FATAL_ERROR "${PNG} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUT}.tmp
     "// Made by the build from ${PNG}.\n"
     "#include \"platform/app_icon.h\"\n\n"
     "namespace {\nconst uint8_t png[] = {\n    ${bytes}\n};\n} // namespace\n\n"
     "WindowIcon appIcon() {\n    return {png, sizeof png};\n}\n")
file(RENAME ${OUT}.tmp ${OUT})
