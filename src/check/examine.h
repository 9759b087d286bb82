// What the check reads of the files on a card beyond their names: a package read through, a
// program's header, a list's first bytes. Each reads at most what it needs, within bounds.
#pragma once

#include "card_folder.h"
#include "package.h"
#include "report.h"

namespace check {

// What the installer will find in a package; its texts in the device's code page.
PackageFacts ExaminePackage(const desktop::Path &path, int codePage);
// A program in the card folder: its PE header's machine and subsystem.
Program ExamineProgram(const Text &name, const desktop::Path &path);
// A list saved as UTF-16 without its byte-order mark.
bool HasUtf16WithoutMark(const desktop::Path &path);

}  // namespace check
