// The plain report, for whoever prepares the card: every line's fate, each thing to look at
// marked "!", every outside text escaped for the terminal.
#pragma once

#include <memory>

#include "output.h"
#include "report.h"

namespace check {

std::unique_ptr<ReportWriter> PlainWriter(Output &out);

}  // namespace check
