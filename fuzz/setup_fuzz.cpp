// Fuzzes what is read of a card's files' own bytes: the setup information's header and the
// strings it points to (in our layout and in CabWiz's, both in the corpus), the cabinet's
// header and folder records, and a program's PE header. Checks that whatever is accepted
// lies inside the bytes given, not only that nothing crashes.
#include <cstdint>
#include <string>

#include "check/cabinet_header.h"
#include "check/package.h"
#include "check/program_header.h"
#include "check/setup_000.h"
#include "check/verdict.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // An exact copy, so that the sanitizers see any read past the bytes given.
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const auto *at = reinterpret_cast<const unsigned char *>(bytes.data());
    check::SetupInfo info;
    std::string why;
    if (check::ParseSetupInfo(at, size, &info, &why)) {
        size_t held = info.app.size() + info.provider.size();
        for (const std::string &name : info.unsupported) {
            CHECK(!name.empty() && name.find('\0') == std::string::npos);
            held += name.size() + 1;
        }
        CHECK(size >= 100 && held <= size);
    } else {
        CHECK(!why.empty());
    }
    check::CabinetHeader header = check::ReadCabinetHeader(at, size);
    for (int method : header.compression)
        CHECK(method >= 0 && method <= 3);
    CHECK(!header.valid || (header.signature && !header.compression.empty()));
    unsigned machine = 0, subsystem = 0;
    size_t wanted = 0;
    if (check::ReadProgramHeader(at, size, &machine, &subsystem, &wanted))
        CHECK(wanted <= size && machine <= 0xFFFF && subsystem <= 0xFFFF);
    check::PackageFacts facts = check::DescribePackage(header, true, {"A.000"}, {{"A.000", bytes}});
    check::Verdict verdict = check::Judge(facts, {6, 0}, 2577ul);
    CHECK((verdict.installs == check::Installs::kYes) == verdict.why.empty());
    return 0;
}
