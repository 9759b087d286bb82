# The same bytes from every build of a checkout, in whatever folder: the compilers write the
# source and build folders' paths (in __FILE__, debug information) as paths relative to them,
# and a PE header holds no time stamp.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # The last match wins, and the build folder usually lies inside the source folder.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()
if(MINGW)
  # GNU ld writes the build time into a PE header unless told not to. (The device's linker
  # gets the same option in its toolchain file, whose link rule is its own.)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
