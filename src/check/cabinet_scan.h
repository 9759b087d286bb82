// The cabinet's records read whole, before a cabinet library sees the package: the header,
// the folder and member records and the data-block headers (not the data). A library then
// reads only a cabinet whose every data block it decompresses at most once.
#pragma once

#include "cabinet_header.h"

namespace check {

// The records, and the first fault among them: damage first, then a reason not to read the
// data. The work is bounded by the package's size: each folder's data blocks are walked
// once, and folders over the same blocks stop the walk.
CabinetRecords ScanCabinet(const CabinetBytes &bytes);

}  // namespace check
