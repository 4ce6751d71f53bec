# Compiles through ccache when it is installed, so a fresh clone on the same machine (CI
# clones afresh every run) reuses the objects an earlier build made. The cache is keyed on
# paths relative to the source folder and ignores the build folder's own path, or a clone
# in another folder would miss every object. The test programs' precompiled headers are
# made moments before the files that use them, and ccache would refuse every such file as
# too new to cache; it hashes the precompiled header's content instead.
option(QUORELBOX_CCACHE "Compile through ccache when it is installed" ON)
if(QUORELBOX_CCACHE)
  find_program(QUORELBOX_CCACHE_PROGRAM ccache)
  if(QUORELBOX_CCACHE_PROGRAM)
    set(_qb_sloppiness pch_defines,time_macros,include_file_mtime,include_file_ctime)
    set(_qb_launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
                     CCACHE_SLOPPINESS=${_qb_sloppiness} ${QUORELBOX_CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${_qb_launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${_qb_launcher})
    message(STATUS "Compiling through ${QUORELBOX_CCACHE_PROGRAM}")
  endif()
endif()
