// A program file's PE header: its machine and subsystem, and whether the device runs it.
#pragma once

#include <cstddef>

namespace check {

// The fields of a PE header that say what the image is and where it runs.
struct ProgramHeader {
    unsigned machine = 0, subsystem = 0;
    unsigned magic = 0;                   // the optional header's: 0x10B for PE32, 0x20B for PE32+
    unsigned characteristics = 0;         // the file header's flags
};

// False for a file that is not a PE image. Wants at least the first *wanted bytes, which it
// says when count is short of them: the PE header may lie anywhere the DOS header points.
bool ReadProgramHeader(const unsigned char *bytes, size_t count, ProgramHeader *header, size_t *wanted);

// What a Windows CE loader wants of a program it starts, checked in this order.
enum class DeviceRule {
    kKept,
    kCeArm,          // Windows CE's GUI subsystem, machine ARM or Thumb
    kPe32,           // a PE32 optional header: CE has no PE32+
    kExecutable,     // IMAGE_FILE_EXECUTABLE_IMAGE set: the linker clears it for an image it could not finish
    kNotDll          // IMAGE_FILE_DLL clear: a DLL is loaded into a process, never started as one
};
DeviceRule DeviceRuleBroken(const ProgramHeader &header);

}  // namespace check
