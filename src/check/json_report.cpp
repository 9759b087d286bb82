// The JSON report, written as the lists are read. Codes come from the warnings table; every
// text is a strict JSON string (text.h).
#include "json_report.h"

#include <map>

#include "cabbatch_version.h"
#include "contents_report.h"
#include "processors.h"

namespace check {

namespace {

const char *EncodingName(ListEncoding encoding)
{
    return encoding == kListUtf16 ? "utf-16le" : encoding == kListUtf8Mark ? "utf-8-bom" : "bytes";
}

std::string JsonBool(bool value) { return value ? "true" : "false"; }

template <typename Item, typename Name> std::string JsonArray(const std::vector<Item> &items, Name name)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); i++)
        out += (i ? ", " : "") + name(items[i]);
    return out + "]";
}

std::string Quote(const char *name) { return "\"" + std::string(name) + "\""; }

// The codes of those warnings that the JSON tells among warnings (a list's stays are fields).
std::string Codes(const std::vector<Warning> &warnings)
{
    std::vector<const char *> codes;
    for (Warning warning : warnings) {
        if (RowOf(warning).told == Told::kWarnings)
            codes.push_back(RowOf(warning).code);
    }
    return JsonArray(codes, Quote);
}

// One note of a line, list or the folder, as the plain report gives it: its code, its
// severity in this run, and its sentence exact.
void AppendNote(std::string &out, Warning warning, const NoteSubject &subject)
{
    out.append(out.back() == '[' ? "{\"code\": \"" : ", {\"code\": \"").append(RowOf(warning).code);
    out.append("\", \"severity\": \"").append(SeverityName(SeverityOf(warning, subject.options)));
    AppendJson(out.append("\", \"message\": "), RowOf(warning).sentence(subject).Exact());
    out.append("}");
}

std::string ListNotesJson(const ListReport &list, const Options &options)
{
    std::string out = "[";
    for (Warning warning : ListNotes(list))
        AppendNote(out, warning, {options, nullptr, &list});
    return out + "]";
}

std::string FolderNotesJson(const Totals &totals, const Options &options)
{
    std::string out = "[";
    for (const FolderNote &note : FolderNotes(totals))
        AppendNote(out, note.warning, {options, nullptr, nullptr, note.nearMiss, note.program, &totals});
    return out + "]";
}

const char *InstallsName(Installs installs)
{
    return installs == Installs::kYes ? "yes" : installs == Installs::kNo ? "no" : "maybe";
}

const char *CabinetName(CabinetState state)
{
    static const char *const kNames[] = {"ok", "not-a-cabinet", "damaged", "unread"};
    return kNames[int(state)];
}

const char *SetupStateName(SetupState state)
{
    return state == SetupState::kRead ? "read" : state == SetupState::kInvalid ? "invalid" : "absent";
}

const char *SetupFormName(SetupForm form)
{
    return form == SetupForm::k000 ? "000" : form == SetupForm::kXml ? "xml" : "none";
}

std::string JsonProgram(const Program &program)
{
    return "{\"file\": " + Json(program.file) + ", \"machine\": "
         + (program.portable ? "\"" + Hex4(program.header.machine) + "\"" : "null") + ", \"subsystem\": "
         + (program.portable ? std::to_string(program.header.subsystem) : "null") + ", \"device\": "
         + JsonBool(program.device) + ", \"version\": "
         + (program.version ? "\"" + ProgramVersionText(*program.version) + "\"" : "null") + "}";
}

std::string JsonSetup(const SetupInfo &info, int codePage)
{
    auto text = [&](const std::string &bytes) { return Json(SetupText(info, bytes, codePage)); };
    return ", \"app\": " + text(info.app) + ", \"provider\": " + text(info.provider)
         + ", \"processor\": " + std::to_string(info.processor)
         + ", \"processor_name\": " + Json(ProcessorText(info.processor)) + ", \"os_min\": \"" + VersionText(info.osMin)
         + "\", \"os_max\": \"" + VersionText(info.osMax) + "\", \"build_min\": " + std::to_string(info.buildMin)
         + ", \"build_max\": " + std::to_string(info.buildMax) + ", \"unsupported\": " + JsonArray(info.unsupported, text);
}

// What a package holds, the same on every line that names it: the start of its "cab".
std::string JsonFacts(const PackageFacts &facts, int codePage)
{
    const SetupReading &document = facts.Reading(SetupForm::kXml);
    std::string out = "{\"cabinet\": \"" + std::string(CabinetName(facts.cabinet)) + "\", \"compression\": "
                    + JsonArray(facts.compression, [](int method) { return Quote(CompressionName(method)); })
                    + ", \"setup\": \"" + SetupFormName(facts.setup) + "\""
                    + ", \"setup_xml\": \"" + SetupStateName(document.state) + "\"";
    if (document.state == SetupState::kInvalid)
        out += ", \"setup_xml_why\": " + Json(document.why);
    if (facts.AnyRead())
        out += JsonSetup(facts.info, codePage);
    if (facts.cabinet == CabinetState::kOk)
        out += ", \"setup_dll\": " + JsonBool(facts.setupDll) + ", \"setup_dll_code\": "
             + (facts.setupDllCode ? "\"" + CodeName(*facts.setupDllCode) + "\"" : "null") + ", \"disagreements\": "
             + JsonArray(facts.disagreements, [](const Disagreement &d) {
                   return "{\"field\": \"" + d.field + "\", \"setup_000\": " + Json(d.first) + ", \"setup_xml\": "
                        + Json(d.second) + "}";
               });
    return out + ", \"contents\": " + JsonContents(facts.info.contents);
}

std::string JsonCounts(const Counts &c)
{
    const std::pair<const char *, size_t> counts[] = {
        {"lines", c.lines}, {"starts", c.starts}, {"install", c.install}, {"maybe", c.maybe}, {"fail", c.fail},
        {"not_found", c.notFound}, {"refused", c.refused}, {"repeated", c.repeated}, {"other", c.other},
        {"blank", c.blank}, {"skipped", c.skipped}};
    std::string out = "{";
    for (const auto &[name, count] : counts)
        out += (out.size() > 1 ? ", \"" : "\"") + std::string(name) + "\": " + std::to_string(count);
    return out + ", \"bytes\": " + std::to_string(c.bytes) + "}";
}

class JsonReport final : public ReportWriter {
public:
    explicit JsonReport(Output &out) : out_(out) {}

    void Begin(const Options &options) override
    {
        options_ = &options;
        out_.Add("{\"format\": " + std::to_string(kJsonFormat) + ", \"version\": \"" CABBATCH_VERSION "\", \"folder\": "
                 + Json(options.folder)
                 + ", \"device_dir\": " + Json(options.deviceDir) + ", \"lists\": [");
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

    void Line(const LineReport &line) override;

    void EndList(const ListReport &list) override
    {
        out_.Add("], \"warnings\": " + Codes(list.warnings) + ", \"notes\": " + ListNotesJson(list, *options_)
                 + ", \"counts\": " + JsonCounts(list.counts) + "}");
    }

    void End(const Totals &totals) override
    {
        out_.Add("], \"programs\": " + JsonArray(totals.programs, JsonProgram) + ", \"warnings\": "
                 + Codes(totals.warnings) + ", \"notes\": " + FolderNotesJson(totals, *options_) + ", \"near_misses\": "
                 + JsonArray(totals.nearMisses, [](const NearMiss &miss) {
                       return "{\"file\": " + Json(miss.file) + ", \"why\": " + Json(miss.why) + ", \"code\": \""
                            + RowOf(NearMissWarning(miss)).code + "\"}";
                   })
                 + ", \"case_twins\": " + JsonArray(totals.caseTwins, [](const std::vector<Text> &twins) {
                       return JsonArray(twins, [](const Text &name) { return Json(name); });
                   })
                 + ", \"unholdable_files\": " + JsonArray(totals.unholdable, [](const Text &name) { return Json(name); })
                 + ", \"unlisted\": " + JsonArray(totals.unlisted, [](const Text &name) { return Json(name); })
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
            known = facts_.emplace(line.package, JsonFacts(*line.package, options_->codePage)).first;
        out.append(known->second).append(", \"installs\": \"").append(InstallsName(line.verdict.installs));
        AppendJson(out.append("\", \"why\": "), line.verdict.why);
        out.append("}");
    }

    void AppendLineNotes(std::string &out, const LineReport &line)
    {
        out.append(", \"notes\": [");
        for (Warning warning : LineNotes(line))
            AppendNote(out, warning, {*options_, &line});
        out.append("]");
    }

    Output &out_;
    const Options *options_ = nullptr;
    size_t lists_ = 0, lines_ = 0;
    std::map<const PackageFacts *, std::string> facts_;
    std::string line_;
};

// Each line is written into one buffer kept from line to line: a list may have millions.
void JsonReport::Line(const LineReport &line)
{
    std::string &out = line_;
    out.assign(lines_++ ? ", " : "").append("{\"line\": ").append(std::to_string(line.number));
    if (line.reason != Reason::kNone) {
        out.append(", \"outcome\": \"skip\", \"reason\": \"").append(ReasonName(line.reason)).append("\"");
        if (line.reason == Reason::kDoesNotFit) {
            AppendJson(out.append(", \"entry\": "), line.entry);
            AppendJson(out.append(", \"package\": "), line.packagePath);
            out.append(", \"length\": ").append(std::to_string(ArgumentsLength(line)));
            out.append(", \"limit\": ").append(std::to_string(kArgumentsMost));
        }
        AppendLineNotes(out, line);
        out_.Add(out.append(", \"counted_as\": \"").append(CountedName(line.counted)).append("\"}"));
        return;
    }
    AppendJson(out.append(", \"outcome\": \"install\", \"entry\": "), line.entry);
    AppendJson(out.append(", \"package\": "), line.packagePath);
    AppendJson(out.append(", \"arguments\": "), line.arguments);
    out.append(", \"found\": ").append(JsonBool(line.found)).append(", \"warnings\": [");
    for (size_t i = 0; i < line.warnings.size(); i++)
        out.append(i ? ", \"" : "\"").append(RowOf(line.warnings[i]).code).append("\"");
    out.append("]");
    AppendLineNotes(out, line);
    if (!line.switches.empty()) {
        AppendJson(out.append(", \"switches\": "), line.switches);
        out.append(", \"keeps_package\": ").append(JsonBool(line.keepsPackage));
    }
    if (!line.suggestion.empty())
        AppendJson(out.append(", \"suggestion\": "), line.suggestion);
    if (line.package != nullptr)
        AppendCab(out.append(", \"cab\": "), line);
    out_.Add(out.append(", \"counted_as\": \"").append(CountedName(line.counted)).append("\"}"));
}

}  // namespace

std::unique_ptr<ReportWriter> JsonWriter(Output &out) { return std::make_unique<JsonReport>(out); }

}  // namespace check
