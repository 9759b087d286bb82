// Fuzzes the setup document's reading: the check's own rules, the platform's XML parser within
// its bounds, then the Install characteristic's parms and the contents. Checks that a document
// the rules keep reaches the parser in ASCII and is one the parser reads, that a document read
// gives facts its parms could give, within their bounds, and that one refused says why, not
// only that nothing crashes or grows without end.
#include <algorithm>
#include <cstdint>
#include <string>

#include "check/setup_xml.h"
#include "check/xml_rules.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    std::string plain;
    if (check::XmlRuleBroken(bytes, &plain).empty()) {
        std::vector<desktop::XmlElement> elements;
        CHECK(std::all_of(plain.begin(), plain.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
        CHECK(desktop::ReadXml(plain, &elements) == kOk && !elements.empty());
    }
    check::SetupInfo info;
    std::string why;
    if (check::ReadSetupDocument(bytes, &info, &why)) {
        CHECK(info.utf8 && why.empty() && info.provider.empty() && info.unsupported.size() <= 1);
        for (const check::InstalledFile &file : info.contents.files)
            CHECK(!file.path.empty() && file.path.size() <= check::kTextMost && !file.number);
        for (const check::Shortcut &shortcut : info.contents.shortcuts)
            CHECK(shortcut.path.size() <= check::kTextMost && shortcut.target.size() <= check::kTextMost);
        CHECK(info.osMin.major <= 0xFFFFFFFFul && info.buildMax <= 0xFFFFFFFFul);
    } else {
        CHECK(!why.empty());
    }
    return 0;
}
