// A package described from its cabinet and setup information, each form of which has a
// reader of its own; this file only puts together what they read.
#include "package.h"

#include <algorithm>
#include <map>
#include <set>

#include "cabinet_layout.h"
#include "contents_000.h"
#include "little_endian.h"
#include "setup_000.h"
#include "setup_xml.h"

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
    {CabinetFault::kBlockSize, CabinetState::kDamaged,
     "a data block unpacks to no bytes or to more than the 32 KiB a block holds: the cabinet is damaged"},
    {CabinetFault::kStoredSizes, CabinetState::kDamaged,
     "a data block stored without compression gives a size unpacked other than the bytes it holds: the cabinet is "
     "damaged"},
    {CabinetFault::kQuantum, CabinetState::kUnread,
     "it is compressed with Quantum, whose data the check cannot verify alike on every build, so the check did not "
     "read it"},
    {CabinetFault::kOutOfOrder, CabinetState::kUnread,
     "its members are listed out of their data's order, as no cabinet writer lists them; the check unpacks data only "
     "once and in order, so it did not read this cabinet's data"},
    {CabinetFault::kSharedBlocks, CabinetState::kUnread,
     "several of its folders lie over the same data, as no cabinet writer lays them out; the check unpacks data only "
     "once, so it did not read this cabinet's data"},
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

// Member names compare as the installer finds them, without regard to ASCII case.
char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool EndsWith(std::string name, const std::string &tail)
{
    std::transform(name.begin(), name.end(), name.begin(), Lower);
    return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
}

bool Holds000(const std::string &name) { return EndsWith(name, ".000"); }
bool HoldsDocument(const std::string &name) { return EndsWith("\\" + name, "\\_setup.xml"); }

bool Read000(const std::string &bytes, int codePage, SetupInfo *info, std::string *why)
{
    const auto *at = reinterpret_cast<const unsigned char *>(bytes.data());
    return ParseSetupInfo(at, bytes.size(), info, why)
        && ReadContents000(at, Long(at + layout::kSetupLength), codePage, &info->contents, why);
}

bool ReadDocument(const std::string &bytes, int, SetupInfo *info, std::string *why)
{
    return ReadSetupDocument(bytes, info, why);
}

// A member's number: the digits of its extension (".002" is 2).
std::optional<unsigned long> MemberNumber(const std::string &name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::nullopt : WholeNumber(name.substr(dot + 1));
}

std::string Lowered(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), Lower);
    return name;
}

// The cabinet's members as setup information names them, by name or by number (the first
// of each), with their sizes from the records and their code from the library's read.
class Members {
public:
    Members(const CabinetRecords &records, const MemberCodes &codes) : records_(records)
    {
        for (size_t i = records.members.size(); i-- > 0;) {
            byName_[Lowered(records.members[i])] = i;
            if (std::optional<unsigned long> number = MemberNumber(records.members[i]))
                byNumber_[*number] = i;
        }
        for (const auto &[name, code] : codes)
            codes_.emplace(name, code);
    }

    std::optional<size_t> Find(const std::function<bool(const std::string &)> &matches) const
    {
        auto found = std::find_if(records_.members.begin(), records_.members.end(), matches);
        return found == records_.members.end() ? std::nullopt : std::optional<size_t>(found - records_.members.begin());
    }
    std::optional<size_t> Named(const std::string &name) const { return Look(byName_, Lowered(name)); }
    std::uint64_t Size(size_t member) const { return member < records_.sizes.size() ? records_.sizes[member] : 0; }
    ProgramCode Code(size_t member) const
    {
        auto code = codes_.find(records_.members[member]);
        return code == codes_.end() ? ProgramCode{} : code->second;
    }

    // Each file's member: the .000 names it by number, the document by name.
    void Attach(Contents &contents) const
    {
        contents.bytes = 0;
        for (InstalledFile &file : contents.files) {
            std::optional<size_t> member =
                file.number ? Look(byNumber_, static_cast<unsigned long>(*file.number)) : Named(file.source);
            if (!member)
                continue;
            file.member = records_.members[*member];
            file.bytes = Size(*member);
            file.code = Code(*member);
            contents.bytes += file.bytes;
        }
    }

private:
    template <typename Key> static std::optional<size_t> Look(const std::map<Key, size_t> &index, const Key &key)
    {
        auto found = index.find(key);
        return found == index.end() ? std::nullopt : std::optional<size_t>(found->second);
    }

    const CabinetRecords &records_;
    std::map<std::string, size_t> byName_;
    std::map<unsigned long, size_t> byNumber_;
    std::map<std::string, ProgramCode> codes_;
};

std::string Number(unsigned long value) { return std::to_string(value); }

// The files one form installs, against another's: how many, and one that the other lacks.
std::string FilesText(const std::vector<Text> &paths, const std::set<Text> &others)
{
    auto lacked = std::find_if(paths.begin(), paths.end(),
                               [&](const Text &path) { return !others.count(desktop::FoldCase(path)); });
    return std::to_string(paths.size()) + (lacked == paths.end() ? "" : ", among them " + ToUtf8(*lacked));
}

// Where the file lists differ, compared as the device compares names; the .000's
// %InstallDir% is taken as the document's.
std::optional<Disagreement> CompareFiles(const Contents &a, const Contents &b)
{
    std::vector<Text> pathsA, pathsB;
    std::set<Text> foldedA, foldedB;
    for (const InstalledFile &file : a.files) {
        pathsA.push_back(WholePath(file.path, b.installDir));
        foldedA.insert(desktop::FoldCase(pathsA.back()));
    }
    for (const InstalledFile &file : b.files) {
        pathsB.push_back(file.path);
        foldedB.insert(desktop::FoldCase(file.path));
    }
    if (foldedA == foldedB)
        return std::nullopt;
    return Disagreement{"files", FilesText(pathsA, foldedB), FilesText(pathsB, foldedA)};
}

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
        // A document that only configures the device has no header to hold against the .000's.
        if (values.first != values.second && !b.configuration)
            differ.push_back({field, values.first, values.second});
    }
    if (std::optional<Disagreement> files = CompareFiles(a.contents, b.contents))
        differ.push_back(*files);
    return differ;
}

// Each kept member read by the first format that holds it and has not read one yet, within
// kSetupMost bytes.
void ReadSetups(PackageFacts &facts, bool dllMember, const std::vector<std::pair<std::string, std::string>> &kept,
                const Members &members, int codePage)
{
    const std::vector<SetupFormat> &formats = SetupFormats();
    facts.readings.resize(formats.size());
    for (const auto &[name, bytes] : kept) {
        std::optional<size_t> member = members.Named(name);
        bool tooLarge = std::max<std::uint64_t>(member ? members.Size(*member) : 0, bytes.size()) > kSetupMost;
        for (size_t i = 0; i < formats.size(); i++) {
            SetupReading &reading = facts.readings[i];
            if (!formats[i].holds(name) || reading.state != SetupState::kAbsent)
                continue;
            reading.why = tooLarge ? BoundSentence(SetupBound::kTooLarge) : "";
            bool read = !tooLarge && formats[i].read(bytes, codePage, &reading.info, &reading.why);
            reading.state = read ? SetupState::kRead : SetupState::kInvalid;
            members.Attach(reading.info.contents);
            // The installer's own format tells of a setup DLL by a member of its own.
            reading.info.setupDll = formats[i].own ? dllMember : reading.info.setupDll;
        }
    }
}

}  // namespace

PackageFacts DescribePackage(const CabinetRecords &records, bool readThrough,
                             const std::vector<std::pair<std::string, std::string>> &kept, const MemberCodes &codes,
                             int codePage)
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
    const Members members(records, codes);
    std::optional<size_t> dll = members.Find([](const std::string &name) { return EndsWith(name, ".999"); });
    bool dllMember = dll.has_value();
    if (dll)
        facts.setupDllCode = members.Code(*dll);
    ReadSetups(facts, dllMember, kept, members, codePage);
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
        {SetupForm::kXml, HoldsDocument, ReadDocument, false},
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
