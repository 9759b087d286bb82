// Reads what the device's installer checks in a package: the cabinet's header and folder
// records, and the setup information's fixed header with the strings it points to. Every
// field is little-endian, and every offset is checked against what was read.
#include "package.h"

#include <algorithm>
#include <cstring>

namespace check {

namespace {

const char kDamaged[] = "the cabinet is damaged or cut short, so the installer cannot unpack it";

unsigned long Word(const unsigned char *at) { return at[0] | unsigned(at[1]) << 8; }
unsigned long Long(const unsigned char *at) { return Word(at) | Word(at + 2) << 16; }

// Steps over a NUL-terminated string at *at; false when it runs past count.
bool SkipString(const unsigned char *bytes, size_t count, size_t *at)
{
    const void *end = *at < count ? std::memchr(bytes + *at, 0, count - *at) : nullptr;
    if (end == nullptr)
        return false;
    *at = size_t(static_cast<const unsigned char *>(end) - bytes) + 1;
    return true;
}

bool EndsWith(std::string name, const std::string &tail)
{
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

// A string the setup information points to: bytes[offset, offset + length), its NUL included.
bool SetupString(const unsigned char *bytes, size_t limit, size_t at, std::string *text)
{
    size_t offset = Word(bytes + at), length = Word(bytes + at + 2);
    if (length == 0) {
        text->clear();
        return true;
    }
    if (offset + length > limit || std::memchr(bytes + offset, 0, length) == nullptr)
        return false;
    *text = reinterpret_cast<const char *>(bytes + offset);
    return true;
}

// The unsupported platforms: NUL-separated names ending in an empty one. With none, CabWiz
// points the field at the string table with a length of 0.
bool UnsupportedNames(const unsigned char *bytes, size_t limit, std::vector<std::string> *names)
{
    size_t offset = Word(bytes + 92), length = Word(bytes + 94);
    if (length == 0)
        return offset <= limit;
    if (offset + length > limit)
        return false;
    for (size_t at = offset; at < offset + length;) {
        size_t start = at;
        if (!SkipString(bytes, offset + length, &at))
            return false;
        if (at - start == 1)
            return true;
        names->emplace_back(reinterpret_cast<const char *>(bytes + start));
    }
    return false;
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

// The stricter of two verdicts: a refusal over a doubt over a yes; the first of equals.
Verdict Stricter(const Verdict &a, const Verdict &b) { return int(b.installs) > int(a.installs) ? b : a; }

bool Below(const Version &a, const Version &b)
{
    return a.major != b.major ? a.major < b.major : a.minor < b.minor;
}

// The verdict that the setup information alone gives.
Verdict JudgeSetup(const SetupInfo &info, Version device, std::optional<unsigned long> processor)
{
    if (info.processor != 0 && !IsArmProcessor(info.processor))
        return {Installs::kNo, "it is built for " + ProcessorText(info.processor) + ", not for an ARM device"};
    bool low = info.osMin.major || info.osMin.minor, high = info.osMax.major || info.osMax.minor;
    if ((low && Below(device, info.osMin)) || (high && Below(info.osMax, device)))
        return {Installs::kNo, "it is built for " + OsRangeText(info) + ", and the device runs " + VersionText(device)};
    if (processor && info.processor != 0 && info.processor != *processor)
        return {Installs::kMaybe, "it is built for " + ProcessorText(info.processor) + " and the device reports "
                                      + ProcessorText(*processor) + ": how strictly the installer compares ARM types "
                                      "is not documented"};
    std::string builds = BuildRangeText(info);
    if (!builds.empty())
        return {Installs::kMaybe, "it is built for " + builds + ", and the device's build is not known here"};
    return {};
}

}  // namespace

CabinetHeader ReadCabinetHeader(const unsigned char *bytes, size_t count)
{
    CabinetHeader header;
    header.signature = count >= 4 && std::memcmp(bytes, "MSCF", 4) == 0;
    if (!header.signature || count < 36)
        return header;
    const unsigned long folders = Word(bytes + 26), flags = Word(bytes + 30);
    size_t at = 36, folderReserve = 0;
    if (flags & 4) {  // a reserve: in the header (a signed package keeps its signature's place there) and in each folder
        if (count < 40)
            return header;
        folderReserve = bytes[38];
        at = 40 + Word(bytes + 36);
    }
    header.spanned = (flags & 3) != 0;
    for (unsigned long names = (flags & 1 ? 2 : 0) + (flags & 2 ? 2 : 0); names > 0; names--) {
        if (!SkipString(bytes, count, &at))
            return header;
    }
    for (unsigned long folder = 0; folder < folders; folder++, at += 8 + folderReserve) {
        if (at + 8 > count)
            return header;
        int method = int(Word(bytes + at + 6) & 0xF);
        if (method > 3)
            return header;
        if (std::find(header.compression.begin(), header.compression.end(), method) == header.compression.end())
            header.compression.push_back(method);
    }
    header.valid = folders > 0;
    return header;
}

bool ParseSetupInfo(const unsigned char *bytes, size_t count, SetupInfo *info, std::string *why)
{
    if (count < 100 || std::memcmp(bytes, "MSCE", 4) != 0) {
        *why = count < 100 ? "its setup information is cut short" : "its setup information does not start with MSCE";
        return false;
    }
    const size_t limit = Long(bytes + 8);
    bool fits = limit >= 100 && limit <= count;
    for (int section = 0; fits && section < 6; section++) {
        size_t entries = Word(bytes + 48 + 2 * section), offset = Long(bytes + 60 + 4 * section);
        fits = offset <= limit && (entries == 0 || offset < limit);
    }
    fits = fits && SetupString(bytes, limit, 84, &info->app) && SetupString(bytes, limit, 88, &info->provider)
        && UnsupportedNames(bytes, limit, &info->unsupported);
    if (!fits) {
        *why = "an offset or length in its setup information leads outside it";
        return false;
    }
    info->processor = Long(bytes + 20);
    info->osMin = {Long(bytes + 24), Long(bytes + 28)};
    info->osMax = {Long(bytes + 32), Long(bytes + 36)};
    info->buildMin = Long(bytes + 40);
    info->buildMax = Long(bytes + 44);
    return true;
}

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
    bool dllMember = false;
    for (const std::string &name : members)
        dllMember = dllMember || EndsWith(name, ".999");
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
    std::vector<const SetupInfo *> valid;
    for (const SetupReading &reading : facts.readings) {
        if (reading.state == SetupState::kRead)
            valid.push_back(&reading.info);
    }
    facts.setup = facts.State(0) != SetupState::kAbsent ? SetupForm::k000
                : facts.State(1) != SetupState::kAbsent ? SetupForm::kXml : SetupForm::kNone;
    if (facts.setup == SetupForm::kNone)
        facts.why = "the package holds no setup information (no .000 member, no _setup.xml)";
    if (!valid.empty())
        facts.info = *valid[0];
    if (valid.size() > 1)
        facts.disagreements = Compare(*valid[0], *valid[1]);
    facts.setupDll = dllMember || std::any_of(valid.begin(), valid.end(), [](const SetupInfo *info) { return info->setupDll; });
    return facts;
}

bool PackageFacts::AnyRead() const
{
    return std::any_of(readings.begin(), readings.end(),
                       [](const SetupReading &reading) { return reading.state == SetupState::kRead; });
}

const std::vector<SetupFormat> &SetupFormats()
{
    static const std::vector<SetupFormat> kFormats = {
        {Holds000, Read000, true},             // ".000"
        {HoldsDocument, ReadSetupDocument, false},  // "_setup.xml"
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

// Each reading judged, the stricter verdict given: an invalid reading of the installer's own
// format refuses the package; another is a doubt when nothing else is valid, else only a note.
Verdict Judge(const PackageFacts &facts, Version device, std::optional<unsigned long> processor)
{
    if (facts.cabinet != CabinetState::kOk || facts.setup == SetupForm::kNone)
        return {Installs::kNo, facts.why};
    bool anyValid = facts.AnyRead();
    Verdict verdict;
    for (size_t i = 0; i < facts.readings.size(); i++) {
        const SetupReading &reading = facts.readings[i];
        if (reading.state == SetupState::kRead)
            verdict = Stricter(verdict, JudgeSetup(reading.info, device, processor));
        else if (reading.state == SetupState::kInvalid && (SetupFormats()[i].own || !anyValid))
            verdict = Stricter(verdict, {SetupFormats()[i].own ? Installs::kNo : Installs::kMaybe, reading.why});
    }
    return verdict;
}

bool ReadProgramHeader(const unsigned char *bytes, size_t count, unsigned *machine, unsigned *subsystem,
                       size_t *wanted)
{
    *wanted = 0x40;
    if (count < *wanted || bytes[0] != 'M' || bytes[1] != 'Z')
        return false;
    const size_t header = Long(bytes + 0x3C), optional = header + 24;
    *wanted = optional + 70;  // the subsystem lies 68 bytes into the optional header
    if (header > count || count < *wanted || std::memcmp(bytes + header, "PE\0\0", 4) != 0)
        return false;
    *machine = unsigned(Word(bytes + header + 4));
    *subsystem = unsigned(Word(bytes + optional + 68));
    return true;
}

bool IsDeviceProgram(unsigned machine, unsigned subsystem)
{
    return (machine == 0x1C0 || machine == 0x1C2) && subsystem == 9;
}

const char *CompressionName(int method)
{
    static const char *const kNames[] = {"none", "mszip", "quantum", "lzx"};
    return method >= 0 && method < 4 ? kNames[method] : "unknown";
}

bool IsArmProcessor(unsigned long type)
{
    return ArmProcessorName(type) != nullptr;
}

const char *ArmProcessorName(unsigned long type)
{
    switch (type) {
    case 1824: return "ARM720";
    case 2080: return "ARM820";
    case 2336: return "ARM920";
    case 2577: return "StrongARM";
    case 70001: return "ARM7TDMI";
    }
    return nullptr;
}

std::string ProcessorText(unsigned long type)
{
    static const struct { unsigned long type; const char *family; } kTypes[] = {
        {386, "x86"}, {486, "x86"}, {586, "x86"}, {686, "x86"}, {4000, "MIPS"}, {103, "SH"}, {104, "SH"},
        {10003, "SH"}, {10004, "SH"}, {10005, "SH"}, {601, "PowerPC"}, {603, "PowerPC"},
        {604, "PowerPC"}, {620, "PowerPC"}, {821, "PowerPC"}, {21064, "Alpha"}};
    if (type == 0)
        return "any processor";
    if (IsArmProcessor(type))
        return "ARM " + std::to_string(type) + " (" + ArmProcessorName(type) + ")";
    for (const auto &known : kTypes) {
        if (known.type == type)
            return std::string(known.family) + " " + std::to_string(type);
    }
    return "processor type " + std::to_string(type);
}

std::string OsRangeText(const SetupInfo &info)
{
    bool low = info.osMin.major || info.osMin.minor, high = info.osMax.major || info.osMax.minor;
    if (low && high)
        return "OS " + VersionText(info.osMin) + " to " + VersionText(info.osMax);
    if (low)
        return "OS " + VersionText(info.osMin) + " and later";
    return high ? "OS up to " + VersionText(info.osMax) : "any OS version";
}

std::string BuildRangeText(const SetupInfo &info)
{
    // A highest build from 0xA0000000 on holds display flags (square screen, rotation).
    bool low = info.buildMin > 0, high = info.buildMax >= 1 && info.buildMax <= 0x9FFFFFFFul;
    if (low && high)
        return "OS builds " + std::to_string(info.buildMin) + " to " + std::to_string(info.buildMax);
    if (low)
        return "OS builds " + std::to_string(info.buildMin) + " and later";
    return high ? "OS builds up to " + std::to_string(info.buildMax) : "";
}

std::string VersionText(const Version &version)
{
    return std::to_string(version.major) + "." + std::to_string(version.minor);
}

}  // namespace check
