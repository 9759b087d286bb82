// Fuzzes the setup document's reading: the platform's XML parser within its bounds, then the
// Install characteristic's parms. Checks that a document read gives facts its parms could
// give, and one refused says why, not only that nothing crashes or grows without end.
#include <cstdint>
#include <string>

#include "check/setup_xml.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    check::SetupInfo info;
    std::string why;
    if (check::ReadSetupDocument(bytes, &info, &why)) {
        CHECK(info.utf8 && why.empty() && info.provider.empty() && info.unsupported.empty());
        CHECK(info.osMin.major <= 0xFFFFFFFFul && info.buildMax <= 0xFFFFFFFFul);
    } else {
        CHECK(!why.empty());
    }
    return 0;
}
