# The libraries the Linux check reads packages with, linked in from Debian's static ones
# (libmspack-dev and libexpat1-dev ship them), so that the check runs on a Linux machine
# without them: it needs only the C and C++ runtimes.
find_library(CABBATCH_MSPACK_LIBRARY NAMES libmspack.a REQUIRED)
find_library(CABBATCH_EXPAT_LIBRARY NAMES libexpat.a REQUIRED)
set(CABBATCH_LINUX_LIBRARIES ${CABBATCH_MSPACK_LIBRARY} ${CABBATCH_EXPAT_LIBRARY})
