# The same cross build with clang instead of gcc: the vendor's release build
# uses another compiler than ours, so code only gcc accepts must fail here
# first. clang brings no C++ library of its own for this target; it uses
# mingw-w64 gcc's libstdc++ (posix thread model, for std::thread) and links
# with the mingw binutils, so the program is as static as the gcc build's.
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")

set(CMAKE_C_COMPILER   clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET   ${NORVIK_MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${NORVIK_MINGW_PREFIX})

# The folder of gcc's target libraries and C++ headers, as gcc itself reports
# it (its name carries gcc's version).
execute_process(COMMAND ${NORVIK_MINGW_PREFIX}-g++-posix -print-libgcc-file-name
                OUTPUT_VARIABLE NORVIK_MINGW_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(NORVIK_MINGW_GCC_DIR "${NORVIK_MINGW_LIBGCC}" DIRECTORY)

# gcc's mingw-w64 libraries keep thread-local variables (std::call_once's,
# for one) as emulated TLS, so clang must reach them the same way.
set(CMAKE_C_FLAGS_INIT "-femulated-tls")
set(CMAKE_CXX_FLAGS_INIT
    "-femulated-tls -nostdinc++ -isystem ${NORVIK_MINGW_GCC_DIR}/include/c++ -isystem ${NORVIK_MINGW_GCC_DIR}/include/c++/${NORVIK_MINGW_PREFIX}")
# -pthread adds winpthreads, which that libstdc++ is built on, to the static
# link. The compiler flags above reach the link line too, where clang says it
# does not use -nostdinc++; the link takes no headers, so that is no news.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -pthread -fuse-ld=bfd -L${NORVIK_MINGW_GCC_DIR} -Wno-unused-command-line-argument")
# DLLs (the tests build a few) find the same libraries the same way.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-pthread -fuse-ld=bfd -L${NORVIK_MINGW_GCC_DIR} -Wno-unused-command-line-argument")
# The delay-import libraries (delayed_dlls.cmake) are made by the same
# binutils the link uses; LLVM's dlltool has no --output-delaylib.
set(CMAKE_DLLTOOL ${NORVIK_MINGW_PREFIX}-dlltool)
set(CMAKE_NM ${NORVIK_MINGW_PREFIX}-nm)
