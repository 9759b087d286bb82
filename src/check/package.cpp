// A package described from its cabinet and setup information, each form of which has a
// reader of its own; this file only puts together what they read.
#include "package.h"

#include <algorithm>

#include "setup_000.h"
#include "setup_xml.h"
#include "verdict.h"

namespace check {

namespace {

const char kDamaged[] = "the cabinet is damaged or cut short, so the installer cannot unpack it";
const char kNoSetup[] = "the package holds no setup information (no .000 member, no _setup.xml)";

// What each fault of the cabinet's records makes of it, and the sentence that says why.
struct FaultRow {
    CabinetFault fault;
    CabinetState state;
    const char *why;  // "{version}" stands for the version the cabinet gives
};
const FaultRow kFaults[] = {
    {CabinetFault::kNone, CabinetState::kOk, ""},
    {CabinetFault::kDamaged, CabinetState::kDamaged, kDamaged},
    {CabinetFault::kVersion, CabinetState::kDamaged,
     "the cabinet gives its format version as {version}, and the format has only version 1.3: it is damaged"},
    {CabinetFault::kSpanned, CabinetState::kDamaged, "the cabinet continues in another file, which the installer is not given"},
    {CabinetFault::kNameEmpty, CabinetState::kDamaged, "a member of the cabinet has no name: the cabinet is damaged"},
    {CabinetFault::kNameTooLong, CabinetState::kDamaged,
     "a member's name is longer than the 255 bytes a cabinet holds: the cabinet is damaged"},
    {CabinetFault::kFolderIndex, CabinetState::kDamaged,
     "a member names a folder past the cabinet's last one: the cabinet is damaged"},
    {CabinetFault::kMembersOverlap, CabinetState::kDamaged,
     "two of its members share data, as no cabinet writer makes them: the cabinet is damaged"},
    {CabinetFault::kPastFolder, CabinetState::kDamaged,
     "a member reaches past the end of its folder's data: the cabinet is damaged or cut short"},
    {CabinetFault::kQuantum, CabinetState::kUnread,
     "it is compressed with Quantum, whose data the check cannot verify alike on every build, so the check did not "
     "read it"},
    {CabinetFault::kOutOfOrder, CabinetState::kUnread,
     "its members are listed out of their data's order, as no cabinet writer lists them; the check unpacks data only "
     "once and in order, so it did not read this cabinet's"},
    {CabinetFault::kSharedBlocks, CabinetState::kUnread,
     "several of its folders lie over the same data, as no cabinet writer lays them out; the check unpacks data only "
     "once, so it did not read this cabinet's"},
};

const FaultRow &RowOf(CabinetFault fault)
{
    return *std::find_if(std::begin(kFaults), std::end(kFaults), [&](const FaultRow &row) { return row.fault == fault; });
}

std::string Why(const FaultRow &row, const CabinetRecords &records)
{
    std::string why = row.why;
    size_t at = why.find("{version}");
    if (at != std::string::npos)
        why.replace(at, 9, std::to_string(records.versionMajor) + "." + std::to_string(records.versionMinor));
    return why;
}

bool EndsWith(std::string name, const std::string &tail)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

bool Holds000(const std::string &name) { return EndsWith(name, ".000"); }
bool HoldsDocument(const std::string &name) { return EndsWith("\\" + name, "\\_setup.xml"); }

bool Read000(const std::string &bytes, SetupInfo *info, std::string *why)
{
    return ParseSetupInfo(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), info, why);
}

std::string Number(unsigned long value) { return std::to_string(value); }

std::string BuildsText(const SetupInfo &info)
{
    std::string range = BuildRangeText(info);
    return range.empty() ? "any build" : range.substr(3);  // "builds 100 to 200"
}

// Where two readings of a package differ, field by field.
std::vector<Disagreement> Compare(const SetupInfo &a, const SetupInfo &b)
{
    const std::pair<const char *, std::pair<std::string, std::string>> fields[] = {
        {"processor", {Number(a.processor), Number(b.processor)}},
        {"os_min", {VersionText(a.osMin), VersionText(b.osMin)}},
        {"os_max", {VersionText(a.osMax), VersionText(b.osMax)}},
        // A highest build that holds display flags bounds nothing: ranges are compared.
        {"builds", {BuildsText(a), BuildsText(b)}},
        {"setup_dll", {a.setupDll ? "true" : "false", b.setupDll ? "true" : "false"}},
    };
    std::vector<Disagreement> differ;
    for (const auto &[field, values] : fields) {
        if (values.first != values.second)
            differ.push_back({field, values.first, values.second});
    }
    return differ;
}

// Each kept member read by the first format that holds it and has not read one yet.
void ReadSetups(PackageFacts &facts, bool dllMember, const std::vector<std::pair<std::string, std::string>> &kept)
{
    const std::vector<SetupFormat> &formats = SetupFormats();
    facts.readings.resize(formats.size());
    for (const auto &[name, bytes] : kept) {
        for (size_t i = 0; i < formats.size(); i++) {
            SetupReading &reading = facts.readings[i];
            if (!formats[i].holds(name) || reading.state != SetupState::kAbsent)
                continue;
            reading.state = formats[i].read(bytes, &reading.info, &reading.why) ? SetupState::kRead : SetupState::kInvalid;
            // The installer's own format tells of a setup DLL by a member of its own.
            reading.info.setupDll = formats[i].own ? dllMember : reading.info.setupDll;
        }
    }
}

}  // namespace

PackageFacts DescribePackage(const CabinetRecords &records, bool readThrough,
                             const std::vector<std::pair<std::string, std::string>> &kept, const MemberCodes &codes)
{
    PackageFacts facts;
    if (!records.signature) {
        facts.cabinet = CabinetState::kNotACabinet;
        facts.why = "the file is not a cabinet (it does not start with MSCF)";
        return facts;
    }
    // Sound records that a library could not read through hold damaged data.
    const FaultRow &row = RowOf(records.fault == CabinetFault::kNone && !readThrough ? CabinetFault::kDamaged : records.fault);
    facts.why = Why(row, records);
    if (row.state == CabinetState::kDamaged)
        return facts;
    facts.cabinet = row.state;
    facts.compression = records.compression;
    const std::vector<std::string> &names = records.members;
    auto holds = [&](bool (*format)(const std::string &)) { return std::any_of(names.begin(), names.end(), format); };
    facts.setup = holds(Holds000) ? SetupForm::k000 : holds(HoldsDocument) ? SetupForm::kXml : SetupForm::kNone;
    if (facts.setup == SetupForm::kNone)
        facts.why = kNoSetup;
    bool dllMember = holds([](const std::string &name) { return EndsWith(name, ".999"); });
    for (const auto &[name, code] : codes) {
        if (EndsWith(name, ".999") && !facts.setupDllCode)
            facts.setupDllCode = code;
    }
    ReadSetups(facts, dllMember, kept);
    std::vector<const SetupInfo *> valid;
    for (const SetupReading &reading : facts.readings) {
        if (reading.state == SetupState::kRead)
            valid.push_back(&reading.info);
    }
    if (!valid.empty())
        facts.info = *valid[0];
    if (valid.size() > 1)
        facts.disagreements = Compare(*valid[0], *valid[1]);
    facts.setupDll = dllMember || std::any_of(valid.begin(), valid.end(), [](const SetupInfo *info) { return info->setupDll; });
    return facts;
}

Text SetupText(const SetupInfo &info, const std::string &bytes, int codePage)
{
    return info.utf8 ? FromUtf8(bytes) : FromCodePage(bytes, codePage);
}

const SetupReading &PackageFacts::Reading(SetupForm form) const
{
    static const SetupReading kAbsent;
    size_t index = size_t(form);
    return index < readings.size() ? readings[index] : kAbsent;
}

bool PackageFacts::AnyRead() const
{
    return std::any_of(readings.begin(), readings.end(),
                       [](const SetupReading &reading) { return reading.state == SetupState::kRead; });
}

const std::vector<SetupFormat> &SetupFormats()
{
    static const std::vector<SetupFormat> kFormats = {
        {SetupForm::k000, Holds000, Read000, true},
        {SetupForm::kXml, HoldsDocument, ReadSetupDocument, false},
    };
    return kFormats;
}

std::function<bool(const std::string &)> SetupMembers()
{
    return [taken = std::vector<bool>(SetupFormats().size())](const std::string &name) mutable {
        for (size_t i = 0; i < taken.size(); i++) {
            if (SetupFormats()[i].holds(name) && !taken[i]) {
                taken[i] = true;
                return true;
            }
        }
        return false;
    };
}

}  // namespace check
