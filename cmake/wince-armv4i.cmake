# The device build: Windows CE 6.0 on ARMV4I, with the device SDK's Visual C++ 2005/2008
# compiler. It cannot be run on the project's Linux machines; README.md, "Building for the
# device", gives the commands, in an environment that `cmake -E env_vs9_wince` (or
# env_vs8_wince) wrote for the SDK.
set(CMAKE_SYSTEM_NAME WindowsCE)
set(CMAKE_SYSTEM_VERSION 6.0)
set(CMAKE_SYSTEM_PROCESSOR ARMV4I)

# What the program links, and nothing more: the core library, the C runtime that Visual C++
# before 2010 needs beside it, and, while /GS (the compiler's default) guards the stack
# buffers, the stack-cookie check in secchk.lib. CMake's own WindowsCE default adds ole32,
# oleaut32, uuid and commctrl, which an SDK built without COM or common controls lacks.
# Cache entries set here come before that default, and CMake's compiler check, which reads
# this file too, links the same.
set(CABBATCH_DEVICE_LIBRARIES "coredll.lib corelibc.lib")
if(NOT CMAKE_CXX_FLAGS MATCHES "/GS-")
  string(APPEND CABBATCH_DEVICE_LIBRARIES " secchk.lib")
endif()
foreach(lang C CXX)
  set(CMAKE_${lang}_STANDARD_LIBRARIES "${CABBATCH_DEVICE_LIBRARIES}" CACHE STRING
      "Libraries linked by default with all ${lang} applications")
endforeach()
