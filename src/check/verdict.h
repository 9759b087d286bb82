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
// Whether a device of that version (and processor type, where known) takes the package.
Verdict Judge(const PackageFacts &facts, Version device, std::optional<unsigned long> processor);

std::string VersionText(const Version &version);        // "4.20"
std::string OsRangeText(const SetupInfo &info);         // "OS 4.0 to 5.99", "OS 5.0 and later"...
std::string BuildRangeText(const SetupInfo &info);      // "OS builds 100 to 200"; empty for no bound

}  // namespace check
