// The report's sink: pieces gathered up to 64 KiB, then written through the platform.
#include "output.h"

#include "platform/desktop/desktop.h"

namespace check {

void Output::Add(const std::string &text)
{
    pending_ += text;
    if (pending_.size() >= 1 << 16)
        Flush();
}

void Output::Flush()
{
    // After a failure nothing more is written: the report is lost either way.
    if (!failed_ && !pending_.empty())
        failed_ = desktop::Write(false, pending_, &why_) != kOk;
    pending_.clear();
}

}  // namespace check
