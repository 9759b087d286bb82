// The cabinet's own records: its header and folder records here, its members and data-block
// headers in cabinet_scan.h. Read from a package's bytes wherever they lie, before any
// cabinet library sees the package.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace check {

// Up to count bytes of a package from offset into `into`: how many there were, fewer only
// where the file ends.
using CabinetBytes = std::function<size_t(std::uint64_t offset, size_t count, unsigned char *into)>;

// What keeps a cabinet from being read through once, each data block decompressed at most
// once; kNone when nothing does.
enum class CabinetFault {
    kNone,
    // The records contradict the format, each other or the file: the cabinet is damaged.
    kDamaged,          // cut short, no folder, or a compression method that does not exist
    kVersion,          // a format version other than 1.3
    kSpanned,          // it continues in another cabinet file
    kNameEmpty,
    kNameTooLong,      // over 255 bytes
    kFolderIndex,      // a member's folder past the last
    kMembersOverlap,
    kPastFolder,       // a member reaching past its folder's data
    kBlockSize,        // a data block that unpacks to nothing, or to over 32 KiB
    kStoredSizes,      // a stored data block whose two sizes differ
    // Sound, but its data is not read.
    kQuantum,          // both builds' libraries would not read it alike
    kOutOfOrder,       // members listed out of their data's order: a library would unpack again
    kSharedBlocks      // several folders over the same data blocks: the same
};

struct CabinetFolder {
    std::uint64_t dataAt = 0;            // its first data block
    unsigned blocks = 0;
    int method = 0;                      // layout::kStored...
};

struct CabinetRecords {
    bool signature = false;              // "MSCF"
    unsigned versionMajor = 0, versionMinor = 0;
    unsigned dataReserve = 0;            // bytes reserved in each data block
    std::uint64_t filesAt = 0;           // the first member record
    unsigned files = 0;
    std::vector<CabinetFolder> folders;
    std::vector<int> compression;        // each folder's method, distinct, in order
    std::vector<std::string> members;    // their names as listed (ScanCabinet)
    std::vector<std::uint64_t> sizes;    // and their sizes unpacked, in the same order
    CabinetFault fault = CabinetFault::kDamaged;
};
// The header and the folder records; a cabinet that continues in another file is read no
// further.
CabinetRecords ReadCabinetHeader(const CabinetBytes &bytes);

const char *CompressionName(int method);  // "none", "mszip", "quantum", "lzx"

}  // namespace check
