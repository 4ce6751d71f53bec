# Fails when an object of the curve loops built for a wider instruction set exports code.
# Exported code (an inline function or template instance the loops pulled in) may be the
# copy the linker keeps for every caller, and baseline code would then run AVX2 instructions
# on a processor without them. Data, such as the set's table, is harmless.
#   cmake -DNM=nm -DOBJECTS="a.o;b.o" -P kernel_symbols_check.cmake
set(_checked 0)
foreach(_object IN LISTS OBJECTS)
  if(NOT _object MATCHES "curve_kernels_avx[0-9]+\\.cpp\\.o$")
    continue()
  endif()
  execute_process(COMMAND ${NM} --defined-only --extern-only -C ${_object}
                  OUTPUT_VARIABLE _symbols RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${_object}")
  endif()
  string(REGEX REPLACE "\n$" "" _symbols "${_symbols}")
  string(REPLACE "\n" ";" _symbols "${_symbols}")
  foreach(_line IN LISTS _symbols)
    # nm's types of exported code: T text, W weak, i indirect function.
    if(_line MATCHES "^[0-9a-fA-F]* [TWi] ")
      message(FATAL_ERROR "${_object} exports code: ${_line}")
    endif()
  endforeach()
  math(EXPR _checked "${_checked} + 1")
endforeach()
message(STATUS "${_checked} objects of wider instruction sets export no code")
