// What a "_setup.xml" document says a package puts on the device: its FileOperation and
// Registry characteristics, and what else it configures.
#pragma once

#include <string>
#include <vector>

#include "contents.h"
#include "platform/desktop/desktop.h"

namespace check {

// A wap-provisioningdoc: a document whose root is one, with or without an Install
// characteristic.
bool IsProvisioningDocument(const std::vector<desktop::XmlElement> &elements);
// The contents, from the document's elements; false, with *why, when a text is over
// kTextMost characters or a registry value has a datatype the installer does not take.
bool ContentsFromDocument(const std::vector<desktop::XmlElement> &elements, Contents *contents, std::string *why);

}  // namespace check
