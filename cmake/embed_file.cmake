# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P embed_file.cmake
# Writes a C++ source that defines quelvin::<SYMBOL>[] with the bytes of INPUT and
# quelvin::<SYMBOL>Size with their count, both with external linkage.
foreach(var INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_file.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  # An empty array would not compile, and an empty picture is a broken checkout anyway.
  message(FATAL_ERROR "embed_file.cmake: ${INPUT} is empty")
endif()
math(EXPR byte_count "${hex_length} / 2")

# Sixteen bytes to a line keeps the generated file readable in a diff or a debugger.
string(REPEAT "[0-9a-f]" 32 sixteen_bytes)
string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n" lines "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," lines "${lines}")
string(REGEX REPLACE "([^\n]+)" "    \\1" bytes "${lines}")
string(REGEX REPLACE "\n$" "" bytes "${bytes}")

get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${input_name} by cmake/embed_file.cmake. Do not edit.
#include <cstddef>

namespace quelvin {

extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}Size;

const unsigned char ${SYMBOL}[${byte_count}] = {
${bytes}
};
const std::size_t ${SYMBOL}Size = ${byte_count};

}  // namespace quelvin
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
