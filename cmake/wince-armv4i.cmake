# The device build: Windows CE 6.0 on ARMV4I, with the device SDK's Visual C++ 2005/2008
# compiler. It cannot be run on the project's Linux machines; README.md, "Building for the
# device", gives the commands.
set(CMAKE_SYSTEM_NAME WindowsCE)
set(CMAKE_SYSTEM_VERSION 6.0)
set(CMAKE_SYSTEM_PROCESSOR ARMV4I)
# With NMake Makefiles, the SDK's command prompt puts its ARM cl.exe, link.exe and rc.exe
# on PATH; with the "Visual Studio 9 2008" generator, the SDK's name is the platform (-A).
