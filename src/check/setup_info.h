// What a package's setup information says of it, the same whichever form it came in: the
// ".000" member that the installer reads, or the "_setup.xml" document.
#pragma once

#include <string>
#include <vector>

#include "contents.h"

namespace check {

struct Version {
    unsigned long major = 0, minor = 0;  // the minor as stored: "4.20" is 20
};

struct SetupInfo {
    std::string app, provider;           // bytes, in the device's code page (the document's: UTF-8)
    unsigned long processor = 0;         // 0: any
    Version osMin, osMax;                // 0.0: no bound
    unsigned long buildMin = 0, buildMax = 0;
    std::vector<std::string> unsupported;
    bool unsupportedJoined = false;      // the document's: names run together, not to be split
    bool setupDll = false;               // code the installer runs
    bool utf8 = false;                   // its texts are UTF-8, not in the device's code page
    bool configuration = false;          // a document without an Install characteristic: it
                                         // only configures the device
    Contents contents;                   // what it puts on the device
};

std::string VersionText(const Version &version);        // "4.20"
std::string OsRangeText(const SetupInfo &info);         // "OS 4.0 to 5.99", "OS 5.0 and later"...
std::string BuildRangeText(const SetupInfo &info);      // "OS builds 100 to 200"; empty for no bound

}  // namespace check
