// Standard output for the report, written in pieces as it is made. The first failure to write
// is kept, and nothing more is written after it: a report that is lost must not end well.
#pragma once

#include <string>

namespace check {

class Output {
public:
    void Add(const std::string &text);
    void Flush();
    bool Failed() const { return failed_; }
    const std::string &Why() const { return why_; }

private:
    std::string pending_;
    bool failed_ = false;
    std::string why_;
};

}  // namespace check
