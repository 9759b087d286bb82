// Where the fields of a cabinet and of a package's setup information (".000") lie, by name,
// for the readers and their tests. Every field is little-endian. Facts from the cabinet
// format, and from ../formats' notes on what a CE package holds.
#pragma once

#include <cstddef>

namespace check::layout {

// The cabinet's header (CFHEADER), then the optional reserve and previous/next names.
constexpr size_t kCabinetSignature = 0;    // "MSCF"
constexpr size_t kCabinetSize = 8;         // 4: the whole cabinet's size
constexpr size_t kCabinetFilesAt = 16;     // 4: where the first member record lies
constexpr size_t kCabinetVersionMinor = 24, kCabinetVersionMajor = 25;  // 1 each: 3, 1
constexpr unsigned kFormatMajor = 1, kFormatMinor = 3;  // the only version the format has
constexpr size_t kCabinetFolders = 26;     // 2
constexpr size_t kCabinetFiles = 28;       // 2
constexpr size_t kCabinetFlags = 30;       // 2: the flags below
constexpr size_t kCabinetHeaderSize = 36;  // without a reserve
constexpr size_t kReserveHeader = 36;      // 2: bytes reserved in the header
constexpr size_t kReserveFolder = 38;      // 1: bytes reserved in each folder record
constexpr size_t kReserveData = 39;        // 1: bytes reserved in each data block
constexpr size_t kReserveFieldsSize = 4;   // the three fields above
constexpr unsigned kFlagPrevious = 1, kFlagNext = 2, kFlagReserve = 4;

// A folder record (CFFOLDER), then its reserve.
constexpr size_t kFolderDataAt = 0;        // 4: where its first data block lies
constexpr size_t kFolderBlocks = 4;        // 2: how many data blocks it has
constexpr size_t kFolderCompression = 6;   // 2: the method in the low four bits
constexpr size_t kFolderRecordSize = 8;
constexpr unsigned kCompressionMask = 0xF;
constexpr int kStored = 0, kMszip = 1, kQuantum = 2, kLzx = 3;

// A member record (CFFILE), then its NUL-terminated name.
constexpr size_t kFileSize = 0;            // 4: its uncompressed size
constexpr size_t kFileOffset = 4;          // 4: where it starts in its folder's data
constexpr size_t kFileFolder = 8;          // 2: its folder's index
constexpr size_t kFileName = 16;
constexpr size_t kFileNameMost = 255;      // bytes of a name, its NUL not counted

// A data block (CFDATA), then its reserve and its compressed bytes.
constexpr size_t kDataChecksum = 0;        // 4
constexpr size_t kDataCompressed = 4;      // 2: bytes of compressed data
constexpr size_t kDataUncompressed = 6;    // 2: bytes they unpack to
constexpr size_t kDataHeaderSize = 8;
constexpr unsigned kDataUnpackedMost = 32768;  // what any method's block unpacks to, at most

// The setup information's 100-byte header.
constexpr size_t kSetupSignature = 0;      // "MSCE"
constexpr size_t kSetupLength = 8;         // 4: the whole member's length
constexpr size_t kSetupProcessor = 20;     // 4
constexpr size_t kSetupOsMinMajor = 24, kSetupOsMinMinor = 28;   // 4 each
constexpr size_t kSetupOsMaxMajor = 32, kSetupOsMaxMinor = 36;   // 4 each
constexpr size_t kSetupBuildMin = 40, kSetupBuildMax = 44;       // 4 each
constexpr size_t kSetupSectionCounts = 48;   // 2 each: strings, folders, files, hives, keys, links
constexpr size_t kSetupSectionOffsets = 60;  // 4 each, in the same order
constexpr int kSetupSections = 6;
constexpr size_t kSetupApp = 84;           // 2 + 2: offset and length (its NUL included)
constexpr size_t kSetupProvider = 88;      // 2 + 2
constexpr size_t kSetupUnsupported = 92;   // 2 + 2: a multi-string ending in an empty one
constexpr size_t kSetupHeaderSize = 100;

}  // namespace check::layout
