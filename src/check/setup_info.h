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

}  // namespace check
