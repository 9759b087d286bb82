// What a ".000" member says a package puts on the device: its six sections.
#pragma once

#include <cstddef>
#include <string>

#include "contents.h"

namespace check {

// The sections of a .000 whose header ParseSetupInfo took, limit being the length it gives;
// texts decoded in the device's code page. False, with *why, when a count, offset, length or
// id leads outside the member or a text is over kTextMost characters.
bool ReadContents000(const unsigned char *bytes, size_t limit, int codePage, Contents *contents, std::string *why);

}  // namespace check
