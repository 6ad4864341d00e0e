# Turns a file into a C++ header that holds its bytes as a constexpr array,
# so the program carries the file as it stands without reading it at run time.
#
#   cmake -DINPUT=file -DOUTPUT=header.h -DNAME=ARRAY_NAME -P embed_bytes.cmake

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes to a line (CMake's expressions know no counted repeats).
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line_pattern)
string(REGEX REPLACE "(${line_pattern})" "\\1\n    " bytes "${bytes}")
string(STRIP "${bytes}" bytes)
get_filename_component(file_name "${INPUT}" NAME)

file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${file_name}; edit the file, not this header.
#pragma once

#include <array>
#include <cstdint>

namespace resources {

inline constexpr std::array<std::uint8_t, ${size}> ${NAME}{{
    ${bytes}
}};

}  // namespace resources
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
