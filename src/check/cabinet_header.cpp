// The cabinet's header and folder records: what the installer meets first in a package.
// Every offset is checked against the bytes there are.
#include "cabinet_header.h"

#include <algorithm>
#include <cstring>

#include "cabinet_layout.h"
#include "little_endian.h"

namespace check {

CabinetRecords ReadCabinetHeader(const CabinetBytes &bytes)
{
    using namespace layout;
    CabinetRecords records;
    unsigned char header[kCabinetHeaderSize + kReserveFieldsSize] = {};
    size_t count = bytes(0, sizeof header, header);
    records.signature = count >= 4 && std::memcmp(header + kCabinetSignature, "MSCF", 4) == 0;
    if (!records.signature || count < kCabinetHeaderSize)
        return records;
    records.versionMajor = header[kCabinetVersionMajor], records.versionMinor = header[kCabinetVersionMinor];
    const unsigned long folders = Word(header + kCabinetFolders), flags = Word(header + kCabinetFlags);
    records.filesAt = Long(header + kCabinetFilesAt), records.files = unsigned(Word(header + kCabinetFiles));
    if (records.versionMajor != kFormatMajor || records.versionMinor != kFormatMinor) {
        records.fault = CabinetFault::kVersion;
        return records;
    }
    if (flags & (kFlagPrevious | kFlagNext)) {
        records.fault = CabinetFault::kSpanned;
        return records;
    }
    std::uint64_t at = kCabinetHeaderSize;
    size_t folderReserve = 0;
    // A reserve in the header (a signed package keeps its signature's place there), in each
    // folder record and in each data block.
    if (flags & kFlagReserve) {
        if (count < kCabinetHeaderSize + kReserveFieldsSize)
            return records;
        folderReserve = header[kReserveFolder], records.dataReserve = header[kReserveData];
        at = kCabinetHeaderSize + kReserveFieldsSize + Word(header + kReserveHeader);
    }
    for (unsigned long folder = 0; folder < folders; folder++, at += kFolderRecordSize + folderReserve) {
        unsigned char record[kFolderRecordSize] = {};
        if (bytes(at, sizeof record, record) < sizeof record)
            return records;
        CabinetFolder read{Long(record + kFolderDataAt), unsigned(Word(record + kFolderBlocks)),
                           int(Word(record + kFolderCompression) & kCompressionMask)};
        if (read.method > kLzx)
            return records;
        records.folders.push_back(read);
        if (std::find(records.compression.begin(), records.compression.end(), read.method) == records.compression.end())
            records.compression.push_back(read.method);
    }
    records.fault = folders > 0 ? CabinetFault::kNone : CabinetFault::kDamaged;
    return records;
}

const char *CompressionName(int method)
{
    static const char *const kNames[] = {"none", "mszip", "quantum", "lzx"};
    return method >= 0 && method < 4 ? kNames[method] : "unknown";
}

}  // namespace check
