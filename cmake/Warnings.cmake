# Warnings every target of ours is built with.
add_library(qb_warnings INTERFACE)
target_compile_options(qb_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
