// Reads each program named as the card check reads one for its version: a first read, then
// as much as the reader asks for. Prints, a line each, "PATH: VERSION PRODUCT-NAME (N reads)",
// with "-" for a name it has not, or "PATH: none" or "PATH: out of reach".
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "check/program_version.h"
#include "check/text.h"

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        std::ifstream file(argv[i], std::ios::binary | std::ios::ate);
        const std::uint64_t size = file ? std::uint64_t(file.tellg()) : 0;
        check::ProgramVersion version;
        std::string bytes;
        int reads = 0;
        for (size_t wanted = check::kProgramVersionFirstRead; file && reads < check::kProgramVersionMostReads;
             wanted = version.wanted) {
            bytes.resize(size_t(std::min<std::uint64_t>(wanted, size)));
            file.seekg(0).read(bytes.data(), std::streamsize(bytes.size()));
            version = check::ReadProgramVersion(reinterpret_cast<const unsigned char *>(bytes.data()),
                                                bytes.size(), size);
            reads++;
            if (version.wanted <= bytes.size())
                break;
        }
        if (!file) {
            std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
            return 2;
        }
        if (version.state != check::VersionState::kFound) {
            std::printf("%s: %s\n", argv[i], version.state == check::VersionState::kNone ? "none" : "out of reach");
            continue;
        }
        const unsigned *parts = version.fileVersion;
        std::printf("%s: %u.%u.%u.%u %s (%d reads)\n", argv[i], parts[0], parts[1], parts[2], parts[3],
                    version.productName ? check::ToUtf8(*version.productName).c_str() : "-", reads);
    }
    return 0;
}
