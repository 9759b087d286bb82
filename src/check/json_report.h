// The JSON report, for scripts: a documented contract, changed only by adding fields.
#pragma once

#include <memory>

#include "output.h"
#include "report.h"

namespace check {

std::unique_ptr<ReportWriter> JsonWriter(Output &out);

}  // namespace check
