// Fuzzes what is read of a card's files' own bytes: the setup information's header, the
// strings it points to and its six sections (in our layout and in CabWiz's, both in the
// corpus), the cabinet's header, folder, member and data-block records, and a program's PE
// header, code and version resource. Checks that whatever is accepted lies inside the bytes
// given and within its bounds, not only that nothing crashes, and that the version read in the
// steps the reader asks for is the version read whole.
#include <algorithm>
#include <cstdint>
#include <string>

#include "check/cabinet_scan.h"
#include "check/contents_000.h"
#include "check/little_endian.h"
#include "check/package.h"
#include "check/program_code.h"
#include "check/program_header.h"
#include "check/program_version.h"
#include "check/setup_000.h"
#include "check/verdict.h"
#include "fuzz_check.h"

// The version as the check reads it: from a first read of 64 bytes, as many as it asks for,
// each read an exact copy so that a read past it is seen.
static void CheckProgramVersion(const std::string &bytes)
{
    const auto *at = reinterpret_cast<const unsigned char *>(bytes.data());
    const check::ProgramVersion whole = check::ReadProgramVersion(at, bytes.size(), bytes.size());
    CHECK(whole.wanted == 0 && whole.state != check::VersionState::kOutOfReach);
    CHECK(!whole.productName || whole.productName->size() * 2 < bytes.size());
    check::ProgramVersion stepped;
    int reads = 0;
    for (size_t count = std::min<size_t>(64, bytes.size()); reads++ < check::kProgramVersionMostReads;
         count = stepped.wanted) {
        const std::string read = bytes.substr(0, count);
        stepped = check::ReadProgramVersion(reinterpret_cast<const unsigned char *>(read.data()), count, bytes.size());
        CHECK(stepped.wanted == 0 || (stepped.wanted > count && stepped.wanted <= bytes.size()));
        if (stepped.wanted == 0)
            break;
    }
    CHECK(stepped.wanted == 0 && stepped.state == whole.state);
    CHECK(stepped.productName == whole.productName);
    for (int part = 0; part < 4; part++)
        CHECK(stepped.fileVersion[part] == whole.fileVersion[part] && whole.fileVersion[part] <= 0xFFFF);
}

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
        // The sections, in a double-byte code page: each entry at least 4 bytes, each text
        // within its bound, or the reason why not.
        check::Contents contents;
        if (check::ReadContents000(at, check::Long(at + 8), 932, &contents, &why)) {
            CHECK(4 * (contents.files.size() + contents.registry.size() + contents.shortcuts.size()) <= size);
            for (const check::InstalledFile &file : contents.files)
                CHECK(!file.path.empty() && file.path.size() <= check::kTextMost && file.number);
            for (const check::RegistryValue &value : contents.registry)
                CHECK(value.key.size() <= check::kTextMost && value.name.size() <= check::kTextMost);
            for (const check::Shortcut &shortcut : contents.shortcuts)
                CHECK(shortcut.path.size() <= check::kTextMost && !shortcut.target.empty());
        } else {
            CHECK(!why.empty());
        }
    } else {
        CHECK(!why.empty());
    }
    // The cabinet's records: only what is there is read, each record and block header
    // once (the folder records, the member records and the blocks may lie over the same
    // bytes, each at least 8 apart), and what is accepted keeps the rules a library's single
    // pass needs.
    size_t reads = 0;
    check::CabinetRecords records = check::ScanCabinet([&](uint64_t offset, size_t count, unsigned char *into) {
        reads++;
        if (offset >= size)
            return size_t(0);
        size_t there = std::min<size_t>(count, size - size_t(offset));
        std::copy_n(at + offset, there, into);
        return there;
    });
    CHECK(reads <= size / 3 + records.folders.size() + 4);
    for (int method : records.compression)
        CHECK(method >= 0 && method <= 3);
    CHECK(records.members.size() <= records.files);
    for (const std::string &name : records.members)
        CHECK(!name.empty() && name.size() <= 255 && name.find('\0') == std::string::npos);
    if (records.fault == check::CabinetFault::kNone || records.fault >= check::CabinetFault::kQuantum)
        CHECK(records.members.size() == records.files);
    CHECK(records.fault != check::CabinetFault::kNone || (records.signature && !records.folders.empty()));
    check::ProgramHeader header;
    size_t wanted = 0;
    if (check::ReadProgramHeader(at, size, &header, &wanted))
        CHECK(wanted <= size && header.machine <= 0xFFFF && header.subsystem <= 0xFFFF);
    CheckProgramVersion(bytes);
    // A program's code from its first 64 KiB: one of ARM, foreign, or not known as a program;
    // unknown only where the bytes kept leave out what decides it.
    check::ProgramCode code = check::ReadProgramCode(at, std::min<size_t>(size, 1 << 16), size);
    bool neither = code.kind == check::CodeKind::kNone || code.kind == check::CodeKind::kUnknown;
    CHECK(int(check::RunsOnDevice(code)) + int(check::IsForeign(code)) + int(neither) == 1);
    CHECK(size > (1 << 16) || code.kind != check::CodeKind::kUnknown);
    // The same bytes as a cabinet's verdict and as a .000 member's.
    check::CabinetRecords sound;
    sound.signature = true, sound.fault = check::CabinetFault::kNone, sound.members = {"A.000"};
    for (const auto &[described, kept] : {std::make_pair(records, false), std::make_pair(sound, true)}) {
        check::PackageFacts facts = check::DescribePackage(described, true, {kept ? 1u : 0u, {"A.000", bytes}});
        check::Verdict verdict = check::Judge(facts, {{6, 0}, 2577ul, L"PocketPC", 1252});
        CHECK((verdict.installs == check::Installs::kYes) == verdict.why.empty());
    }
    return 0;
}
