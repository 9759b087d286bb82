// Numbers as cabinets, setup information and PE images store them: little-endian. The caller
// has checked that the bytes are there.
#pragma once

namespace check {

inline unsigned long Word(const unsigned char *at) { return at[0] | unsigned(at[1]) << 8; }
inline unsigned long Long(const unsigned char *at) { return Word(at) | Word(at + 2) << 16; }

}  // namespace check
