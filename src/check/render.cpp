// The card check's two forms of the report, written as it is made: a plain one for whoever
// prepares the card, and JSON for scripts. The JSON form is a documented contract: change
// it only by adding. Every outside text reaches the plain form through Shown().
#include <cstdio>
#include <map>

#include "report.h"

namespace check {

// ---- Output

void Output::Add(const std::string &text)
{
    pending_ += text;
    if (pending_.size() >= 1 << 16)
        Flush();
}

void Output::Flush()
{
    // After a failure nothing more is written: the report is lost either way.
    if (!failed_ && !pending_.empty())
        failed_ = desktop::Write(false, pending_, &why_) != kOk;
    pending_.clear();
}

namespace {

const char *ReasonName(Reason reason)
{
    switch (reason) {
    case Reason::kNone: return "";
    case Reason::kBlank: return "blank";
    case Reason::kNul: return "nul";
    case Reason::kTooLong: return "too-long";
    case Reason::kDoesNotFit: return "does-not-fit";
    case Reason::kReadError: return "read-error";
    }
    return "";
}

const char *WarningName(Warning warning)
{
    switch (warning) {
    case Warning::kQuote: return "quote";
    case Warning::kAbsolute: return "absolute";
    case Warning::kDuplicate: return "duplicate";
    case Warning::kUnpairedSurrogate: return "unpaired-surrogate";
    case Warning::kNotAFile: return "not-a-file";
    case Warning::kRefused: return "refused";
    case Warning::kMayRefuse: return "may-refuse";
    case Warning::kSetupDll: return "setup-dll";
    case Warning::kNotFound: return "not-found";
    case Warning::kSlash: return "slash";
    case Warning::kSetupDisagrees: return "setup-disagrees";
    case Warning::kSetupInvalid: return "setup-invalid";
    }
    return "";
}

const char *ListWarningName(ListWarning warning)
{
    switch (warning) {
    case ListWarning::kDuplicateList: return "duplicate-list";
    case ListWarning::kOddLength: return "odd-length";
    case ListWarning::kUtf16WithoutMark: return "utf-16-without-mark";
    }
    return "";
}

const char *EncodingName(ListEncoding encoding)
{
    return encoding == kListUtf16 ? "utf-16le" : encoding == kListUtf8Mark ? "utf-8-bom" : "bytes";
}

std::string JsonBool(bool value) { return value ? "true" : "false"; }

template <typename Item, typename Name> std::string JsonNames(const std::vector<Item> &items, Name name)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); i++)
        out += (i ? ", " : "") + name(items[i]);
    return out + "]";
}

std::string Quote(const char *name) { return "\"" + std::string(name) + "\""; }

const char *InstallsName(Installs installs)
{
    return installs == Installs::kYes ? "yes" : installs == Installs::kNo ? "no" : "maybe";
}

const char *CabinetName(CabinetState state)
{
    return state == CabinetState::kOk ? "ok" : state == CabinetState::kNotACabinet ? "not-a-cabinet" : "damaged";
}

std::string Hex(unsigned value)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04x", value & 0xFFFF);
    return hex;
}

std::string JsonProgram(const Program &program)
{
    return "{\"file\": " + Json(program.file) + ", \"machine\": "
         + (program.portable ? "\"" + Hex(program.machine) + "\"" : "null") + ", \"subsystem\": "
         + (program.portable ? std::to_string(program.subsystem) : "null") + ", \"device\": "
         + JsonBool(program.device) + "}";
}

// A text a setup reading gives: the .000's in the device's code page, the document's UTF-8.
Text SetupText(const SetupInfo &info, const std::string &bytes, int codePage)
{
    return info.utf8 ? FromUtf8(bytes) : FromCodePage(bytes, codePage);
}

const char *SetupStateName(SetupState state)
{
    return state == SetupState::kRead ? "read" : state == SetupState::kInvalid ? "invalid" : "absent";
}

// What a package holds, the same on every line that names it: the start of its "cab".
std::string JsonFacts(const PackageFacts &facts, int codePage)
{
    auto text = [&](const std::string &bytes) { return Json(SetupText(facts.info, bytes, codePage)); };
    std::string out = "{\"cabinet\": \"" + std::string(CabinetName(facts.cabinet)) + "\", \"compression\": "
                    + JsonNames(facts.compression, [](int method) { return Quote(CompressionName(method)); })
                    + ", \"setup\": \""
                    + (facts.setup == SetupForm::k000 ? "000" : facts.setup == SetupForm::kXml ? "xml" : "none") + "\""
                    + ", \"setup_xml\": \"" + SetupStateName(facts.State(1)) + "\"";
    if (facts.State(1) == SetupState::kInvalid)
        out += ", \"setup_xml_why\": " + Json(facts.readings[1].why);
    if (facts.AnyRead()) {
        const SetupInfo &info = facts.info;
        out += ", \"app\": " + text(info.app) + ", \"provider\": " + text(info.provider)
             + ", \"processor\": " + std::to_string(info.processor) + ", \"os_min\": \"" + VersionText(info.osMin)
             + "\", \"os_max\": \"" + VersionText(info.osMax) + "\", \"build_min\": " + std::to_string(info.buildMin)
             + ", \"build_max\": " + std::to_string(info.buildMax) + ", \"unsupported\": " + JsonNames(info.unsupported, text);
    }
    if (facts.cabinet == CabinetState::kOk)
        out += ", \"setup_dll\": " + JsonBool(facts.setupDll) + ", \"disagreements\": "
             + JsonNames(facts.disagreements, [](const Disagreement &d) {
                   return "{\"field\": \"" + d.field + "\", \"setup_000\": \"" + d.first + "\", \"setup_xml\": \""
                        + d.second + "\"}";
               });
    return out;
}

class JsonReport final : public ReportWriter {
public:
    explicit JsonReport(Output &out) : out_(out) {}

    void Begin(const Options &options) override
    {
        codePage_ = options.codePage;
        out_.Add("{\"folder\": " + Json(options.folder) + ", \"device_dir\": "
                 + Json(options.deviceDir) + ", \"lists\": [");
    }

    void BeginList(const ListReport &list) override
    {
        out_.Add(std::string(lists_++ ? ", " : "") + "{\"file\": " + Json(list.file.name)
                 + ", \"os_version\": " + std::to_string(list.file.osVersion)
                 + ", \"encoding\": \"" + EncodingName(list.encoding) + "\""
                 + ", \"read_only\": " + JsonBool(list.file.facts.readOnly) + ", \"runs\": "
                 + JsonBool(list.runs) + ", \"lines\": [");
        lines_ = 0;
    }

    // Each line is written into one buffer kept from line to line: a list may have millions.
    void Line(const LineReport &line) override
    {
        std::string &out = line_;
        out.assign(lines_++ ? ", " : "").append("{\"line\": ").append(std::to_string(line.number));
        if (line.reason != Reason::kNone) {
            out.append(", \"outcome\": \"skip\", \"reason\": \"").append(ReasonName(line.reason)).append("\"");
            if (line.reason == Reason::kDoesNotFit) {
                AppendJson(out.append(", \"entry\": "), line.entry);
                AppendJson(out.append(", \"package\": "), line.packagePath);
            }
            out_.Add(out.append("}"));
            return;
        }
        AppendJson(out.append(", \"outcome\": \"install\", \"entry\": "), line.entry);
        AppendJson(out.append(", \"package\": "), line.packagePath);
        AppendJson(out.append(", \"arguments\": "), line.arguments);
        out.append(", \"found\": ").append(JsonBool(line.found)).append(", \"warnings\": [");
        for (size_t i = 0; i < line.warnings.size(); i++)
            out.append(i ? ", \"" : "\"").append(WarningName(line.warnings[i])).append("\"");
        out.append("]");
        if (!line.suggestion.empty())
            AppendJson(out.append(", \"suggestion\": "), line.suggestion);
        if (line.package != nullptr)
            AppendCab(out.append(", \"cab\": "), line);
        out_.Add(out.append("}"));
    }

    void EndList(const ListReport &list) override
    {
        const Counts &c = list.counts;
        out_.Add("], \"warnings\": " + JsonNames(list.warnings, [](ListWarning w) { return Quote(ListWarningName(w)); })
                 + ", \"counts\": {\"lines\": " + std::to_string(c.lines) + ", \"starts\": " + std::to_string(c.starts)
                 + ", \"install\": " + std::to_string(c.install) + ", \"maybe\": " + std::to_string(c.maybe)
                 + ", \"fail\": " + std::to_string(c.fail) + ", \"not_found\": " + std::to_string(c.notFound)
                 + ", \"refused\": " + std::to_string(c.refused) + ", \"repeated\": " + std::to_string(c.repeated)
                 + ", \"other\": " + std::to_string(c.other) + ", \"blank\": " + std::to_string(c.blank)
                 + ", \"skipped\": " + std::to_string(c.skipped) + "}}");
    }

    void End(const Totals &totals) override
    {
        std::vector<const char *> warnings;
        if (totals.lists == 0)
            warnings.push_back("no-list");
        if (totals.noDeviceProgram)
            warnings.push_back("no-device-program");
        if (!totals.nearMisses.empty())
            warnings.push_back("list-near-miss");
        if (totals.programMissing)
            warnings.push_back("program-missing");
        out_.Add("], \"programs\": " + JsonNames(totals.programs, JsonProgram) + ", \"warnings\": "
                 + JsonNames(warnings, Quote) + ", \"near_misses\": "
                 + JsonNames(totals.nearMisses, [](const std::pair<Text, std::string> &miss) {
                       return "{\"file\": " + Json(miss.first) + ", \"why\": " + Json(miss.second) + "}";
                   })
                 + ", \"attention\": " + std::to_string(totals.attention) + ", \"ready\": " + JsonBool(totals.ready)
                 + "}\n");
        out_.Flush();
    }

private:
    // A package's facts are written alike on each of its lines, so they are made once.
    void AppendCab(std::string &out, const LineReport &line)
    {
        auto known = facts_.find(line.package);
        if (known == facts_.end())
            known = facts_.emplace(line.package, JsonFacts(*line.package, codePage_)).first;
        out.append(known->second).append(", \"installs\": \"").append(InstallsName(line.verdict.installs));
        AppendJson(out.append("\", \"why\": "), line.verdict.why);
        out.append("}");
    }

    Output &out_;
    int codePage_ = 1252;
    size_t lists_ = 0, lines_ = 0;
    std::map<const PackageFacts *, std::string> facts_;
    std::string line_;
};

// ---- Plain

std::string Count(size_t count, const std::string &thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string ReasonText(const LineReport &line)
{
    switch (line.reason) {
    case Reason::kBlank: return "blank line";
    case Reason::kNul: return "the line holds a NUL character";
    case Reason::kTooLong: return "the line is longer than " + std::to_string(kMaxEntryLength) + " characters";
    case Reason::kDoesNotFit: {
        // The switches with their spaces and the two quotes go around the package path.
        const size_t most = kArgumentsCapacity - 1;
        size_t length = wcslen(kInstallerSwitches) + line.packagePath.size() + 2, over = length - most;
        return Quoted(line.packagePath) + " does not fit: with the switches and quotes the installer's arguments "
               "would be " + std::to_string(length) + " characters, " + std::to_string(over) + " more than the "
               "program's " + std::to_string(most) + "; shorten the folder or the name by " + Count(over, "character");
    }
    case Reason::kReadError: return "a read error cut the list here; nothing after it is read";
    case Reason::kNone: break;
    }
    return "";
}

const char kNote[] = "\n            ! ";

std::string NoteText(const LineReport &line, Warning warning)
{
    switch (warning) {
    case Warning::kNotFound: {
        return std::string(HasWarning(line, Warning::kNotAFile) ? "not in the card folder: that name is not a regular file" : "not in the card folder")
             + (line.suggestion.empty() ? "" : "; it holds " + Quoted(line.suggestion));
    }
    case Warning::kQuote: return "holds a double quote: what follows it reaches the installer as switches";
    case Warning::kAbsolute: return "starts with a backslash: it is still joined to the folder, with a doubled backslash";
    case Warning::kDuplicate:
        return "the same package as line " + std::to_string(line.sameAs) + ": the installer deleted the file when it "
               "ran line " + std::to_string(line.sameAs) + ", so this start fails; drop line " + std::to_string(line.number);
    case Warning::kUnpairedSurrogate: return "holds half of a UTF-16 pair (shown as <U+...>): no file can carry that name";
    case Warning::kRefused: return "the installer will refuse it: " + line.verdict.why;
    case Warning::kMayRefuse: return "the installer may refuse it: " + line.verdict.why;
    case Warning::kSetupDll:
        return "it carries a setup DLL, code that the installer runs: should it restart the device, the list stays "
               "and the whole batch runs again from the top at the next start";
    case Warning::kSlash:
        return "holds a slash, which the device's file system may not take for a folder separator: use backslashes";
    case Warning::kSetupDisagrees: {
        std::string fields;
        for (const Disagreement &d : line.package->disagreements)
            fields += (fields.empty() ? "" : ", ") + d.field + " " + d.first + " against " + d.second;
        return "its .000 and its _setup.xml disagree (" + fields + "): the stricter verdict is given, since which "
               "of the two a device's installer reads is not known here";
    }
    case Warning::kSetupInvalid:
        return "its _setup.xml is not valid, so the .000 decides: " + line.package->readings[1].why;
    case Warning::kNotAFile: break;
    }
    return "";
}

std::string Notes(const LineReport &line)
{
    std::string notes;
    for (Warning warning : line.warnings) {
        if (HasNote(line, warning))
            notes += kNote + NoteText(line, warning);
    }
    return notes;
}

// A line or so on what a package holds: "Acme Tools (Acme), ARM 2577, OS 4.0 to 6.99".
std::string PackageText(const PackageFacts &facts, int codePage)
{
    if (facts.cabinet != CabinetState::kOk)
        return facts.cabinet == CabinetState::kNotACabinet ? "not a cabinet" : "a damaged cabinet";
    if (facts.State(0) == SetupState::kInvalid)
        return "a cabinet whose setup information (.000) is not valid";
    if (!facts.AnyRead())
        return facts.setup == SetupForm::kXml ? "a cabinet whose _setup.xml is not valid" : "a cabinet without setup information";
    const SetupInfo &info = facts.info;
    auto shown = [&](const std::string &bytes) { return Shown(SetupText(info, bytes, codePage)); };
    std::string out = shown(info.app) + (info.provider.empty() ? "" : " (" + shown(info.provider) + ")") + ", "
                    + ProcessorText(info.processor) + ", " + OsRangeText(info);
    if (!BuildRangeText(info).empty())
        out += ", " + BuildRangeText(info);
    for (size_t i = 0; i < info.unsupported.size(); i++)
        out += (i ? ", " : "; not for ") + shown(info.unsupported[i]);
    return out;
}

std::string EncodingText(ListEncoding encoding, int codePage)
{
    if (encoding == kListUtf16)
        return "UTF-16LE";
    std::string lines = "each line UTF-8 where valid, else code page " + std::to_string(codePage);
    return encoding == kListUtf8Mark ? "UTF-8 with byte-order mark, " + lines : lines;
}


std::string ProgramText(const Program &program)
{
    if (!program.portable)
        return "not a Windows program";
    std::string what = "machine " + Hex(program.machine) + ", subsystem " + std::to_string(program.subsystem);
    return program.device ? "for the device (Windows CE on ARM, " + what + ")"
                          : "not for the device, which runs Windows CE programs for ARM (" + what + ")";
}

std::string ProgramsText(const Totals &totals)
{
    std::string out;
    for (const Program &program : totals.programs)
        out += (out.empty() ? "\nPrograms in the folder:\n" : "") + ("  " + Quoted(program.file) + ": "
               + ProgramText(program) + "\n");
    if (totals.noDeviceProgram)
        out += "  ! None of them runs on the device: put the device build of cabbatch.exe on the card.\n";
    return out;
}

// "15 installer starts (3 install, 1 may be refused, 11 fail: 8 not found, 2 refused, 1 repeated)"
std::string StartsText(const Counts &c)
{
    std::string fails;
    const std::pair<size_t, const char *> kinds[] = {
        {c.notFound, "not found"}, {c.refused, "refused"}, {c.repeated, "repeated"}, {c.other, "other"}};
    for (const auto &[count, kind] : kinds) {
        if (count > 0)
            fails += (fails.empty() ? ": " : ", ") + std::to_string(count) + " " + kind;
    }
    return Count(c.starts, "installer start") + " (" + std::to_string(c.install) + " install, " + std::to_string(c.maybe)
         + " may be refused, " + std::to_string(c.fail) + " fail" + fails + ")";
}

std::string SummaryText(const Totals &totals)
{
    const std::string program = totals.programMissing
        ? "the lists are ready once the device program, the device build of cabbatch.exe, is copied beside them."
        : "ready for the device.";
    if (totals.attention == 0)
        return totals.ready ? program : "the device program is not in the folder yet: not ready for the device under --strict.";
    std::string things = Count(totals.attention, "thing") + " to look at, each marked !; ";
    if (totals.ready)
        return things + "none of them stops the card: " + program;
    if (totals.failures > 0)
        return things + std::to_string(totals.failures) + " will not happen as written: not ready for the device.";
    return things + "not ready for the device under --strict.";
}

class HumanReport final : public ReportWriter {
public:
    explicit HumanReport(Output &out) : out_(out) {}

    void Begin(const Options &options) override
    {
        options_ = &options;
        out_.Add("Card folder " + ShownBytes(options.folder) + ", on the device " + Quoted(options.deviceDir)
                 + (options.deviceDirGiven ? " (--device-dir)\n" : " (the default; --device-dir names another)\n"));
    }

    void BeginList(const ListReport &list) override
    {
        out_.Add("\n" + Shown(list.file.name) + ": for OS version " + std::to_string(list.file.osVersion)
                 + ", " + EncodingText(list.encoding, options_->codePage) + "\n");
        if (!list.runs)
            out_.Add("  ! NOTHING RUNS: in the folder " + Quoted(options_->deviceDir) + " ("
                     + std::to_string(options_->deviceDir.size()) + " characters) the list's path does "
                     "not fit the device program's " + std::to_string(kListPathCapacity - 1) + " characters, so it "
                     "cannot name the list, which stays.\n"
                     "  Were it read, its lines would be:\n");
    }

    void Line(const LineReport &line) override
    {
        char number[16];
        std::snprintf(number, sizeof number, "  %5d  ", line.number);
        line_.assign(number);
        if (line.reason == Reason::kNone) {
            line_.append("install \"").append(Shown(line.packagePath)).append("\"");
            if (line.package != nullptr)
                line_.append(Described(*line.package));
            line_.append(Notes(line));
        } else {
            // A skipped line is a note of its own, but for a blank one.
            line_.append(line.reason == Reason::kBlank ? "skip    " : "skip  ! ").append(ReasonText(line));
        }
        out_.Add(line_.append("\n"));
    }

    void EndList(const ListReport &list) override
    {
        const Counts &c = list.counts;
        std::string out = "  " + Count(c.lines, "line") + ": " + StartsText(c) + ", " + Count(c.blank, "blank line")
                        + ", " + Count(c.skipped, "line") + " skipped.";
        if (list.runs && list.file.facts.readOnly)
            out += "\n  ! The list is read-only: the device cannot delete it, so the batch runs again at every start.";
        else if (list.runs)
            out += " Then the device deletes the list, so the batch runs once.";
        for (ListWarning warning : list.warnings) {
            if (warning == ListWarning::kDuplicateList)
                out += "\n  ! Another list for OS version " + std::to_string(list.file.osVersion)
                     + " is in the folder, its name differing only in case: a device's card holds"
                       " only one of them, so which one runs is not known.";
            else if (warning == ListWarning::kOddLength)
                out += "\n  ! The list ends in a lone byte: UTF-16 has two bytes a character, and the"
                       " device drops the last byte.";
            else
                out += "\n  ! The list looks like UTF-16 saved without its byte-order mark: the device reads"
                       " NULs in every line and skips them all. Save it as Unicode (with the mark) or as UTF-8.";
        }
        out_.Add(out + "\n");
    }

    void End(const Totals &totals) override
    {
        std::string out;
        if (totals.lists == 0)
            out += "\n! No list " + ToUtf8(kListNameStart)
                 + (options_->osVersion ? std::to_string(*options_->osVersion) : "<version>") + ToUtf8(kListNameEnd)
                 + " in the folder: nothing runs.\n";
        for (size_t i = 0; i < totals.nearMisses.size(); i++)
            out += (i ? "! " : "\n! ") + Quoted(totals.nearMisses[i].first) + " is not a list: "
                 + totals.nearMisses[i].second + ".\n";
        out += ProgramsText(totals);
        out += "\nSummary: " + Count(totals.lists, "list") + "; " + SummaryText(totals) + "\n";
        if (totals.installs > 0)
            out += "The device's installer deletes each package file once it has run it, even when the "
                   "installation failed: the card's packages are used up along with its list.\n";
        out_.Add(out);
        out_.Flush();
    }

private:
    // What a package holds reads the same on each of its lines, so it is made once.
    const std::string &Described(const PackageFacts &facts)
    {
        auto known = described_.find(&facts);
        if (known == described_.end())
            known = described_.emplace(&facts, "\n            " + PackageText(facts, options_->codePage)).first;
        return known->second;
    }

    Output &out_;
    const Options *options_ = nullptr;
    std::map<const PackageFacts *, std::string> described_;
    std::string line_;  // kept from line to line: a list may have millions
};

}  // namespace

std::unique_ptr<ReportWriter> HumanWriter(Output &out) { return std::make_unique<HumanReport>(out); }
std::unique_ptr<ReportWriter> JsonWriter(Output &out) { return std::make_unique<JsonReport>(out); }

}  // namespace check
