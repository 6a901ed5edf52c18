# Warnings and sanitizers for every target of the project.

add_compile_options(-Wall -Wextra)
if(VIDMORA_WERROR)
  add_compile_options(-Werror)
  # GCC 12 at -O3 takes std::string concatenations in its own headers for
  # overlapping copies (a known false -Wrestrict); it stays a warning there.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options(-Wno-error=restrict)
  endif()
endif()

if(VIDMORA_SANITIZE AND VIDMORA_TSAN)
  message(FATAL_ERROR "VIDMORA_SANITIZE and VIDMORA_TSAN exclude each other: ThreadSanitizer runs alone")
endif()
if(VIDMORA_SANITIZE)
  set(VIDMORA_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
elseif(VIDMORA_TSAN)
  set(VIDMORA_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
endif()
if(VIDMORA_SANITIZER_FLAGS)
  # A sanitizer's report needs file and line, not variables: line tables only
  # (-g1, which GCC and clang both take), quicker to compile and link than full
  # debug information.
  add_compile_options(${VIDMORA_SANITIZER_FLAGS} -g1)
  add_link_options(${VIDMORA_SANITIZER_FLAGS})
endif()

if(VIDMORA_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "VIDMORA_FUZZ needs clang (libFuzzer)")
endif()

# Marks a shared library that exports a C interface: undefined symbols are
# errors at link time rather than surprises at load time.
function(vidmora_shared_library target)
  set_target_properties(${target} PROPERTIES
    PREFIX "lib"
    LIBRARY_OUTPUT_DIRECTORY ${VIDMORA_PROGRAM_DIR})
  # A sanitized library takes its runtime from the executable that loads it.
  if(NOT VIDMORA_SANITIZER_FLAGS)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
