// A program's version resource (VERSIONINFO), read from the program file's own bytes: its
// fixed file version and its ProductName. A program on a card is hostile input: every offset
// and size is checked against the bytes given and the file's size, the resource directory is
// walked three levels deep and no further, and nothing past kProgramVersionReach is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/desktop/desktop.h"

namespace check {

// Enough for the headers and section table of any usual program: a good first read.
constexpr size_t kProgramVersionFirstRead = 4096;
// The reader never asks for more of a file than this, however it is laid out.
constexpr size_t kProgramVersionReach = 16 << 20;
// Nor, from a first read of 64 bytes or more, more often than this, each time for more
// (for a usual program, from kProgramVersionFirstRead: twice in all).
constexpr int kProgramVersionMostReads = 11;

enum class VersionState {
    kFound,       // a version resource with its fixed file information
    kNone,        // not a PE image, no version resource, or one cut short or malformed
    kOutOfReach   // the version resource lies past kProgramVersionReach: not read
};

struct ProgramVersion {
    VersionState state = VersionState::kNone;
    unsigned fileVersion[4] = {};              // with kFound: major, minor, patch, build
    std::optional<desktop::Text> productName;  // the first string table's, up to its NUL
    // More than the bytes given when the answer lies further in: read this many bytes from
    // the file's start and ask again. Never more than kProgramVersionReach or the file.
    size_t wanted = 0;
};

// What the first `count` bytes of a program file of `fileSize` bytes say of its version:
// begin with kProgramVersionFirstRead bytes, then read `wanted` while it asks for more.
ProgramVersion ReadProgramVersion(const unsigned char *bytes, size_t count, std::uint64_t fileSize);

// "4.5.6"; "4.5.6.7" where the build is not 0.
std::string ProgramVersionText(const ProgramVersion &version);
// Whether a found version comes before major.minor.patch.
bool ProgramVersionBefore(const ProgramVersion &version, unsigned major, unsigned minor, unsigned patch);

}  // namespace check
