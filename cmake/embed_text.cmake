# Writes a C++ source that holds a text file as a character array, so that the program
# carries its data and finds nothing at run time. Run as a build step:
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -DNAMESPACE=<ns> -P embed_text.cmake
# The array is written as numbers because string literals this long are beyond what
# compilers are required to accept.
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
# Break the single line every 32 bytes to keep the generated file readable by tools.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} at build time; do not edit.
#include <cstddef>
namespace ${NAMESPACE} {
extern const char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}Size;
const char ${SYMBOL}[] = {
${bytes}0};
const std::size_t ${SYMBOL}Size = ${size};
}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
