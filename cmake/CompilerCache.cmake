# Compiles through ccache when it is installed, so a fresh clone on the same machine (CI
# clones afresh every run) reuses the objects an earlier build made. The cache is keyed on
# paths relative to the source folder and ignores the build folder's own path, or a clone
# in another folder would miss every object.
option(QUORELBOX_CCACHE "Compile through ccache when it is installed" ON)
if(QUORELBOX_CCACHE)
  find_program(QUORELBOX_CCACHE_PROGRAM ccache)
  if(QUORELBOX_CCACHE_PROGRAM)
    set(_qb_launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
                     CCACHE_SLOPPINESS=time_macros ${QUORELBOX_CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${_qb_launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${_qb_launcher})
    message(STATUS "Compiling through ${QUORELBOX_CCACHE_PROGRAM}")
  endif()
endif()
