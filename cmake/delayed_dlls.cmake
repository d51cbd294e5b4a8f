# The Windows DLLs that only the user interface and the elevated relaunch
# need are linked so that each loads on the first call into it, not when the
# program starts: a quiet install draws nothing and asks nothing, and loads
# none of them. Under Wine, user32 alone costs about 15 ms at start-up (it
# loads the system fonts), as much as writing a module, and every other DLL
# here loads user32 with it.
#
# Each DLL gets an interface target, norvik_delayed_<name>, linked instead of
# the plain name:
#   MSVC:      the import library, /DELAYLOAD and the delay-load helper;
#   MinGW:     a delay-import library that dlltool makes from the names the
#              toolchain's own import library exports (the helper is in
#              libmingwex, which every program links);
#   otherwise: the import library as it is.
# A delayed DLL that cannot be loaded raises an exception at its first call;
# these are part of every Windows the program runs on.
set(NORVIK_DELAYED_DLLS user32 gdi32 imm32 ole32 oleaut32 shell32 shlwapi)

# Writes lib<name>_delayed.a into `folder`, once per import library.
function(norvik_make_delay_library name folder out_var)
  find_library(NORVIK_IMPORT_LIBRARY_${name} NAMES ${name} REQUIRED NO_CACHE)
  set(import_library "${NORVIK_IMPORT_LIBRARY_${name}}")
  set(delay_library "${folder}/lib${name}_delayed.a")
  set(${out_var} "${delay_library}" PARENT_SCOPE)
  if(EXISTS "${delay_library}" AND NOT "${import_library}" IS_NEWER_THAN "${delay_library}")
    return()
  endif()
  execute_process(COMMAND "${CMAKE_NM}" "${import_library}"
    OUTPUT_VARIABLE symbols RESULT_VARIABLE result ERROR_QUIET)
  # Every export appears as its import address symbol, "I __imp_<name>".
  string(REGEX MATCHALL " I __imp_[^ \r\n]+" exports "${symbols}")
  list(TRANSFORM exports REPLACE "^ I __imp_" "")
  list(REMOVE_DUPLICATES exports)
  list(SORT exports)
  if(NOT result EQUAL 0 OR NOT exports)
    message(FATAL_ERROR "No exports read from ${import_library}")
  endif()
  list(JOIN exports "\n" lines)
  file(WRITE "${folder}/${name}.def" "LIBRARY ${name}.dll\nEXPORTS\n${lines}\n")
  execute_process(COMMAND "${CMAKE_DLLTOOL}" --input-def "${name}.def" --dllname "${name}.dll"
      --output-delaylib "${delay_library}" --temp-prefix "${name}_delayed" --deterministic-libraries
    WORKING_DIRECTORY "${folder}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "dlltool could not make ${delay_library}")
  endif()
endfunction()

set(norvik_delay_folder "${CMAKE_BINARY_DIR}/delayed_dlls")
file(MAKE_DIRECTORY "${norvik_delay_folder}")
foreach(name IN LISTS NORVIK_DELAYED_DLLS)
  add_library(norvik_delayed_${name} INTERFACE)
  if(MSVC)
    target_link_libraries(norvik_delayed_${name} INTERFACE ${name} delayimp)
    target_link_options(norvik_delayed_${name} INTERFACE "/DELAYLOAD:${name}.dll")
  elseif(MINGW)
    norvik_make_delay_library(${name} "${norvik_delay_folder}" delay_library)
    target_link_libraries(norvik_delayed_${name} INTERFACE "${delay_library}")
  else()
    target_link_libraries(norvik_delayed_${name} INTERFACE ${name})
  endif()
endforeach()
