# Turns a file into a C++ constant byte array at build time.
#
# Included from a CMakeLists.txt, it defines
#
#   norvik_embed_binary(<target> <input file> <symbol> NAMESPACE <ns> HEADER <include>)
#
# which adds a generated source to <target> defining
#
#   extern const unsigned char <symbol>[];        // the file's bytes
#   extern const std::size_t <symbol>_size;       // their count
#
# in namespace <ns>, with <include> (the header declaring both) included first
# so that the compiler checks the declarations. Both objects are constant-
# initialised, so static initialisers in other translation units (the default
# theme table) may take their address and size safely.
#
# Run as a script (cmake -P), it writes one such source:
#
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -DNAMESPACE=<ns>
#         -DHEADER=<include> -P embed_binary.cmake

if(CMAKE_SCRIPT_MODE_FILE AND NOT CMAKE_PARENT_LIST_FILE)
  foreach(var INPUT OUTPUT SYMBOL NAMESPACE HEADER)
    if(NOT DEFINED ${var})
      message(FATAL_ERROR "embed_binary.cmake: ${var} is not set")
    endif()
  endforeach()

  file(READ "${INPUT}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  if(hex_length EQUAL 0)
    # A zero-length array is not valid C++.
    message(FATAL_ERROR "embed_binary.cmake: ${INPUT} is empty")
  endif()
  # Sixteen bytes per line (CMake's regular expressions have no {n}), each
  # written as 0xNN.
  string(REPEAT "[0-9a-f]" 32 line_pattern)
  string(REGEX REPLACE "(${line_pattern})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "\n" "\n    " bytes "${bytes}")
  get_filename_component(input_name "${INPUT}" NAME)

  set(content "// Generated at build time from ${input_name} by cmake/embed_binary.cmake.\n")
  string(APPEND content "#include \"${HEADER}\"\n\n")
  string(APPEND content "namespace ${NAMESPACE} {\n\n")
  string(APPEND content "extern const unsigned char ${SYMBOL}[] = {\n    ${bytes}\n};\n")
  string(APPEND content "extern const std::size_t ${SYMBOL}_size = sizeof(${SYMBOL});\n\n")
  string(APPEND content "} // namespace ${NAMESPACE}\n")

  file(WRITE "${OUTPUT}" "${content}")
  return()
endif()

set(NORVIK_EMBED_BINARY_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

function(norvik_embed_binary target input symbol)
  cmake_parse_arguments(E "" "NAMESPACE;HEADER" "" ${ARGN})
  set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" "-DINPUT=${input}" "-DOUTPUT=${output}" "-DSYMBOL=${symbol}"
            "-DNAMESPACE=${E_NAMESPACE}" "-DHEADER=${E_HEADER}" -P "${NORVIK_EMBED_BINARY_SCRIPT}"
    DEPENDS "${input}" "${NORVIK_EMBED_BINARY_SCRIPT}"
    COMMENT "Embedding ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
