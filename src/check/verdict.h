// Whether the device's installer will take a package, from what its setup information says.
#pragma once

#include <optional>
#include <string>

#include "package.h"

namespace check {

enum class Installs { kYes, kMaybe, kNo };

struct Verdict {
    Installs installs = Installs::kYes;
    std::string why;                     // one sentence; empty for kYes
};
// The device a package is judged for.
struct Device {
    Version version;
    std::optional<unsigned long> processor;   // its type, where known
    Text platform;                            // its platform's name, where known
    int codePage = 1252;                      // for the names a .000 gives
};
// Whether the device's installer takes the package.
Verdict Judge(const PackageFacts &facts, const Device &device);

}  // namespace check
