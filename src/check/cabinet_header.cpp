// The cabinet's header and folder records: what the installer meets first in a package.
// Every offset is checked against the bytes read.
#include "cabinet_header.h"

#include <algorithm>
#include <cstring>

#include "cabinet_layout.h"
#include "little_endian.h"

namespace check {

namespace {

// Steps over a NUL-terminated string at *at; false when it runs past count.
bool SkipString(const unsigned char *bytes, size_t count, size_t *at)
{
    const void *end = *at < count ? std::memchr(bytes + *at, 0, count - *at) : nullptr;
    if (end == nullptr)
        return false;
    *at = size_t(static_cast<const unsigned char *>(end) - bytes) + 1;
    return true;
}

}  // namespace

CabinetHeader ReadCabinetHeader(const unsigned char *bytes, size_t count)
{
    using namespace layout;
    CabinetHeader header;
    header.signature = count >= 4 && std::memcmp(bytes + kCabinetSignature, "MSCF", 4) == 0;
    if (!header.signature || count < kCabinetHeaderSize)
        return header;
    const unsigned long folders = Word(bytes + kCabinetFolders), flags = Word(bytes + kCabinetFlags);
    size_t at = kCabinetHeaderSize, folderReserve = 0;
    // A reserve in the header (a signed package keeps its signature's place there) and in
    // each folder record.
    if (flags & kFlagReserve) {
        if (count < kCabinetHeaderSize + kReserveFieldsSize)
            return header;
        folderReserve = bytes[kReserveFolder];
        at = kCabinetHeaderSize + kReserveFieldsSize + Word(bytes + kReserveHeader);
    }
    header.spanned = (flags & (kFlagPrevious | kFlagNext)) != 0;
    for (unsigned long names = (flags & kFlagPrevious ? 2 : 0) + (flags & kFlagNext ? 2 : 0); names > 0; names--) {
        if (!SkipString(bytes, count, &at))
            return header;
    }
    for (unsigned long folder = 0; folder < folders; folder++, at += kFolderRecordSize + folderReserve) {
        if (at + kFolderRecordSize > count)
            return header;
        int method = int(Word(bytes + at + kFolderCompression) & kCompressionMask);
        if (method > 3)
            return header;
        if (std::find(header.compression.begin(), header.compression.end(), method) == header.compression.end())
            header.compression.push_back(method);
    }
    header.valid = folders > 0;
    return header;
}

const char *CompressionName(int method)
{
    static const char *const kNames[] = {"none", "mszip", "quantum", "lzx"};
    return method >= 0 && method < 4 ? kNames[method] : "unknown";
}

}  // namespace check
