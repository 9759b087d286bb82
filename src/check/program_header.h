// A program file's PE header: its machine and subsystem, and whether the device runs it.
#pragma once

#include <cstddef>

namespace check {

// False for a file that is not a PE image. Wants at least the first *wanted bytes, which it
// says when count is short of them: the PE header may lie anywhere the DOS header points.
bool ReadProgramHeader(const unsigned char *bytes, size_t count, unsigned *machine, unsigned *subsystem,
                       size_t *wanted);
bool IsDeviceProgram(unsigned machine, unsigned subsystem);  // Windows CE, ARM or Thumb, GUI

}  // namespace check
