// Which processor a member's code is for, from the PE header in its first bytes: what the
// device can run (ARM, Thumb, processor-neutral .NET) and what it cannot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace check {

enum class CodeKind { kNone, kUnknown, kArm, kThumb, kDotnet, kX86, kMips, kSh3, kSh4, kArmv7, kOther };

struct ProgramCode {
    CodeKind kind = CodeKind::kUnknown;  // kUnknown: not read, or its header lies past what is kept
    unsigned machine = 0;                // the PE header's, for a program
};

// A member of size bytes whose first count bytes are given: kNone when it is not a PE image,
// kUnknown when what decides lies past those bytes.
ProgramCode ReadProgramCode(const unsigned char *start, size_t count, std::uint64_t size);
// ARM, Thumb or .NET: what an ARMV4I device runs.
bool RunsOnDevice(ProgramCode code);
// Native code for another processor.
bool IsForeign(ProgramCode code);
std::string CodeName(ProgramCode code);  // in the JSON: "arm", "x86", "0x8664"...
std::string CodeText(ProgramCode code);  // in the plain report: "ARM code", "x86 code"...

}  // namespace check
