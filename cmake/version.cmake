# The version, the product's name and its license, for every program and its resources: the
# number comes from project() alone and the copyright line from LICENSE alone, so neither is
# written twice. Targets link cabbatch_version to include cabbatch_version.h.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE CABBATCH_LICENSE LIMIT_COUNT 1)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE CABBATCH_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT CABBATCH_LICENSE OR NOT CABBATCH_COPYRIGHT)
  message(FATAL_ERROR "LICENSE must start with the license's name and hold a Copyright line.")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/cabbatch_version.h.in
               ${CMAKE_BINARY_DIR}/generated/cabbatch_version.h @ONLY)
add_library(cabbatch_version INTERFACE)
target_include_directories(cabbatch_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
