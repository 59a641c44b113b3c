# Writes OUT, a C++ source that holds the bytes of each of FILES (a list
# separated by "|") as the page's files (page.h).
string(REPLACE "|" ";" files "${FILES}")
set(arrays "")
set(table "")
set(index 0)
foreach(file IN LISTS files)
    get_filename_component(name "${file}" NAME)
    file(READ "${file}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
    string(APPEND arrays "const unsigned char kFile${index}[] = {\n${bytes}0};\n\n")
    string(APPEND table "    {\"${name}\", kFile${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUT}.new"
     "// Made by embed_page.cmake from tools/qdf/page: do not edit.\n"
     "#include \"serve/page.h\"\n\n"
     "namespace qdf {\nnamespace serve {\n\nnamespace {\n\n${arrays}}  // namespace\n\n"
     "const PageFile kPageFiles[] = {\n${table}    {nullptr, nullptr, 0},\n};\n\n"
     "}  // namespace serve\n}  // namespace qdf\n")
# Replaced only when changed, so that an unchanged page compiles nothing.
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
