// The card check's console on Linux and other POSIX systems, where arguments and output
// are UTF-8 bytes already.
#include <cstdio>

#include "platform/desktop/desktop.h"

namespace desktop {

std::vector<std::string> Arguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

void Write(bool toStderr, const std::string &utf8)
{
    std::fwrite(utf8.data(), 1, utf8.size(), toStderr ? stderr : stdout);
}

}  // namespace desktop
