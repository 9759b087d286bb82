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

PackageFacts DescribePackage(const CabinetHeader &header, bool readThrough,
                             const std::vector<std::string> &members,
                             const std::vector<std::pair<std::string, std::string>> &kept)
{
    PackageFacts facts;
    if (!header.signature) {
        facts.cabinet = CabinetState::kNotACabinet;
        facts.why = "the file is not a cabinet (it does not start with MSCF)";
        return facts;
    }
    if (!header.valid || !readThrough) {
        facts.why = kDamaged;
        return facts;
    }
    if (header.spanned) {
        facts.why = "the cabinet continues in another file, which the installer is not given";
        return facts;
    }
    facts.cabinet = CabinetState::kOk;
    facts.compression = header.compression;
    bool dllMember = std::any_of(members.begin(), members.end(), [](const std::string &name) { return EndsWith(name, ".999"); });
    ReadSetups(facts, dllMember, kept);
    std::vector<const SetupInfo *> valid;
    for (const SetupReading &reading : facts.readings) {
        if (reading.state == SetupState::kRead)
            valid.push_back(&reading.info);
    }
    facts.setup = facts.State(SetupForm::k000) != SetupState::kAbsent ? SetupForm::k000
                : facts.State(SetupForm::kXml) != SetupState::kAbsent ? SetupForm::kXml : SetupForm::kNone;
    if (facts.setup == SetupForm::kNone)
        facts.why = "the package holds no setup information (no .000 member, no _setup.xml)";
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
