// The JSON report, for scripts: a documented contract, changed only by adding fields within a
// format, and by a new "format" number otherwise.
#pragma once

#include <memory>

#include "output.h"
#include "report.h"

namespace check {

constexpr int kJsonFormat = 1;

std::unique_ptr<ReportWriter> JsonWriter(Output &out);

}  // namespace check
