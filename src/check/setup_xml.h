// The setup information that newer installers read: a package's "_setup.xml" document.
#pragma once

#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "setup_info.h"

namespace check {

// The document's Install characteristic, from its elements; false with *why when it is not a
// provisioning document or has a value that is not what its parm takes. A provisioning
// document without one only configures the device.
bool SetupFromDocument(const std::vector<desktop::XmlElement> &elements, SetupInfo *info, std::string *why);
// The same from the document's bytes, through the platform's XML parser.
bool ReadSetupDocument(const std::string &bytes, SetupInfo *info, std::string *why);

}  // namespace check
