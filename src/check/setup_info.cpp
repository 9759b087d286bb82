// Setup information told in words, the same for the report and the judgement.
#include "setup_info.h"

namespace check {

std::string OsRangeText(const SetupInfo &info)
{
    bool low = info.osMin.major || info.osMin.minor, high = info.osMax.major || info.osMax.minor;
    if (low && high)
        return "OS " + VersionText(info.osMin) + " to " + VersionText(info.osMax);
    if (low)
        return "OS " + VersionText(info.osMin) + " and later";
    return high ? "OS up to " + VersionText(info.osMax) : "any OS version";
}

std::string BuildRangeText(const SetupInfo &info)
{
    // A highest build from 0xA0000000 on holds display flags (square screen, rotation).
    bool low = info.buildMin > 0, high = info.buildMax >= 1 && info.buildMax <= 0x9FFFFFFFul;
    if (low && high)
        return "OS builds " + std::to_string(info.buildMin) + " to " + std::to_string(info.buildMax);
    if (low)
        return "OS builds " + std::to_string(info.buildMin) + " and later";
    return high ? "OS builds up to " + std::to_string(info.buildMax) : "";
}

std::string VersionText(const Version &version)
{
    return std::to_string(version.major) + "." + std::to_string(version.minor);
}

}  // namespace check
