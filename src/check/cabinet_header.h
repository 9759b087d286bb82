// The cabinet's header and folder records, read from the first bytes of a package.
#pragma once

#include <cstddef>
#include <vector>

namespace check {

struct CabinetHeader {
    bool signature = false;              // "MSCF"
    bool valid = false;                  // the records fit the bytes and make sense
    bool spanned = false;                // it continues in another cabinet file
    std::vector<int> compression;        // each folder's method, distinct, in order
};
CabinetHeader ReadCabinetHeader(const unsigned char *bytes, size_t count);

const char *CompressionName(int method);  // "none", "mszip", "quantum", "lzx"

}  // namespace check
