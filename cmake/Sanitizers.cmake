# QUORELBOX_SANITIZE=address,undefined (or thread) instruments everything we build.
if(QUORELBOX_SANITIZE)
  string(REPLACE "," ";" _qb_sanitizers "${QUORELBOX_SANITIZE}")
  if("thread" IN_LIST _qb_sanitizers AND "address" IN_LIST _qb_sanitizers)
    message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer")
  endif()
  set(_qb_flags "-fsanitize=${QUORELBOX_SANITIZE}" -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${_qb_flags})
  add_link_options(${_qb_flags})
endif()

# The fuzz build instruments every library for coverage and memory errors.
if(QUORELBOX_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (libFuzzer)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
