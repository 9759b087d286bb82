# The device build with GNU tools from Debian's packages: the program for Windows CE 6.0 and
# later on ARM (ARMv4T code in ARM state, as ARMV4I devices run), without the device's SDK.
# GCC for bare ARM compiles; its ELF assembly is turned into assembly for the CE PE target of
# GNU binutils, which scripts/build-ce-binutils builds from Debian's binutils-source into the
# folder below; that target's assembler, linker and resource compiler make the image.
set(CMAKE_SYSTEM_NAME WindowsCE)
set(CMAKE_SYSTEM_VERSION 6.0)
set(CMAKE_SYSTEM_PROCESSOR ARMV4I)
set(CABBATCH_CE_GNU ON)

set(CABBATCH_CE_TOOLS /opt/cabbatch-ce-binutils-2.40/bin/arm-wince-pe-)
set(CABBATCH_CE_DLLTOOL ${CABBATCH_CE_TOOLS}dlltool)
set(CABBATCH_SOURCE ${CMAKE_CURRENT_LIST_DIR}/..)
set(CMAKE_CXX_COMPILER arm-none-eabi-g++)
# The compiler cannot link anything on its own (there is no C library for it here), so
# CMake's test program is not tried; the device build itself proves the tools.
set(CMAKE_CXX_COMPILER_FORCED TRUE)
set(CMAKE_RC_COMPILER ${CABBATCH_CE_TOOLS}windres)
set(CMAKE_AR ${CABBATCH_CE_TOOLS}ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${CABBATCH_CE_TOOLS}ranlib CACHE FILEPATH "")
set(CMAKE_LINKER ${CABBATCH_CE_TOOLS}ld CACHE FILEPATH "")

# wchar_t is the device's 16-bit UTF-16 unit and enums are 4 bytes, as on the device; no
# exceptions, RTTI or unwind tables, since nothing unwinds. src/platform/win32/ce/include
# stands in for the SDK's declarations, and UNDER_CE picks the device's branches, as the
# SDK's compiler does.
set(CMAKE_CXX_FLAGS_INIT "-march=armv4t -marm -mfloat-abi=soft -fshort-wchar -fno-short-enums \
-fno-exceptions -fno-rtti -fno-unwind-tables -fno-asynchronous-unwind-tables -ffreestanding \
-DUNDER_CE -D_WIN32_WCE=0x600")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${CABBATCH_SOURCE}/src/platform/win32/ce/include)
# The PE assembler refuses any instruction that ARMv4T lacks.
set(CMAKE_CXX_COMPILE_OBJECT
    "<CMAKE_CXX_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -S -o <OBJECT>.s <SOURCE>"
    "python3 ${CABBATCH_SOURCE}/scripts/ce_asm.py <OBJECT>.s <OBJECT>.pe.s"
    "${CABBATCH_CE_TOOLS}as -march=armv4t -o <OBJECT> <OBJECT>.pe.s")
# windres runs the host's C preprocessor over the .rc.
set(CMAKE_RC_COMPILE_OBJECT
    "<CMAKE_RC_COMPILER> --preprocessor=cpp -O coff <DEFINES> <INCLUDES> <FLAGS> <SOURCE> <OBJECT>")

# The image as the CE loader takes it and as Microsoft's tools make CE programs: loaded at
# 0x10000, sections aligned to 0x1000 in memory and 0x200 in the file, 64 KiB of stack
# reserved, and neither the address-space randomisation nor the no-execute flag that GNU ld
# sets by default for desktop Windows. WinMainCRTStartup is the start-up in
# src/platform/win32/ce. The time stamp is 0, not the build time, so that the same sources
# give the same bytes: these binutils ignore SOURCE_DATE_EPOCH.
set(CMAKE_CXX_LINK_EXECUTABLE "<CMAKE_LINKER> -m arm_wince_pe --subsystem wince:6.0 \
-e WinMainCRTStartup --image-base 0x10000 --section-alignment 0x1000 --file-alignment 0x200 \
--stack 0x10000,0x1000 --disable-dynamicbase --disable-nxcompat --no-insert-timestamp -s <LINK_FLAGS> <OBJECTS> \
-o <TARGET> <LINK_LIBRARIES>")
