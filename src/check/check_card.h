// The card check itself: runs the core's own list reader over each list in the card folder,
// builds each argument string with the core, looks each package up and reads it, and fills
// the report model, handing each part to the writer as soon as it is known.
#pragma once

#include "options.h"
#include "report.h"

namespace check {

// Throws CheckError for what makes the card unreadable before anything is written.
Outcome CheckCard(const Options &options, ReportWriter &writer);

}  // namespace check
