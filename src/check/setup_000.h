// The setup information that the installer reads: a package's ".000" member.
#pragma once

#include <cstddef>
#include <string>

#include "setup_info.h"

namespace check {

// Its fixed header and the strings it points to; false with *why when it is cut short or an
// offset leads outside it.
bool ParseSetupInfo(const unsigned char *bytes, size_t count, SetupInfo *info, std::string *why);

}  // namespace check
