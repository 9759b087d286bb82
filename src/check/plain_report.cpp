// The plain report. It says only what the model holds, in sentences from the warnings table,
// each line a Phrase, so that every outside text reaches it through the one escaping function,
// laid out for the reader: wrapped at the terminal's width (80 columns elsewhere), each note
// in the colour of its severity where colour is asked for.
#include "plain_report.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "contents_report.h"
#include "processors.h"

namespace check {

namespace {

std::string Count(size_t count, const std::string &thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// A line or so on what a package holds: "Acme Tools (Acme), ARM 2577, OS 4.0 to 6.99".
Phrase PackageText(const PackageFacts &facts, int codePage)
{
    if (facts.cabinet == CabinetState::kUnread)
        return "a cabinet whose data the check does not read";
    if (facts.cabinet != CabinetState::kOk)
        return facts.cabinet == CabinetState::kNotACabinet ? "not a cabinet" : "a damaged cabinet";
    if (facts.State(SetupForm::k000) == SetupState::kInvalid)
        return "a cabinet whose setup information (.000) is not valid";
    if (!facts.AnyRead())
        return facts.setup == SetupForm::kXml ? "a cabinet whose _setup.xml is not valid" : "a cabinet without setup information";
    const SetupInfo &info = facts.info;
    if (info.configuration)
        return ConfigurationText(info.contents);
    auto shown = [&](const std::string &bytes) { return Phrase::Name(SetupText(info, bytes, codePage)); };
    Phrase out = info.app.empty() ? Phrase("(no name)") : shown(info.app);
    if (!info.provider.empty())
        out += " (" + shown(info.provider) + ")";
    out += ", " + ProcessorText(info.processor) + ", " + OsRangeText(info);
    if (!BuildRangeText(info).empty())
        out += ", " + BuildRangeText(info);
    for (size_t i = 0; i < info.unsupported.size(); i++)
        out += (i ? ", " : "; not for ") + shown(info.unsupported[i]);
    return out;
}

// What a package the installer may take puts on the device, and with --contents each thing,
// a line each, laid out to the width; nothing for one it refuses, or one whose document only
// configures the device.
std::string ContentsText(const LineReport &line, bool listed, size_t width)
{
    const PackageFacts &facts = *line.package;
    const Contents &contents = facts.info.contents;
    bool empty = contents.files.empty() && contents.registry.empty() && contents.shortcuts.empty();
    if (line.verdict.installs == Installs::kNo || !facts.AnyRead() || (facts.info.configuration && empty))
        return "";
    std::string out = LaidOut("            " + ContentsLine(contents), {width, 14}) + "\n";
    for (const Phrase &each : listed ? ContentsListing(contents) : std::vector<Phrase>())
        out += LaidOut("              " + each, {width, 16}) + "\n";
    return out;
}

// A line's number right-aligned in five columns, as "  %5d  " prints it, without the
// format's cost: a list may have millions of lines.
std::string NumberColumn(int number)
{
    const std::string digits = std::to_string(number);
    return std::string(2 + (digits.size() < 5 ? 5 - digits.size() : 0), ' ') + digits + "  ";
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
    const ProgramHeader &header = program.header;
    std::string what = "machine " + Hex4(header.machine) + ", subsystem " + std::to_string(header.subsystem);
    switch (DeviceRuleBroken(header)) {
    case DeviceRule::kKept:
        return "for the device (Windows CE on ARM, " + what + ")";
    case DeviceRule::kCeArm:
        return "not for the device, which runs Windows CE programs for ARM (" + what + ")";
    case DeviceRule::kPe32:
        return "not a program the device starts: its header's magic is " + Hex4(header.magic)
             + ", not PE32's 0x010b (" + what + ")";
    case DeviceRule::kExecutable:
        return "not a program the device starts: its header does not mark it executable (" + what + ")";
    case DeviceRule::kNotDll:
        return "not a program the device starts: its header marks it a DLL (" + what + ")";
    }
    return "";
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

bool Has(const std::vector<Warning> &warnings, Warning warning)
{
    return std::find(warnings.begin(), warnings.end(), warning) != warnings.end();
}

std::string SummaryText(const Totals &totals, const Options &options)
{
    const std::string program = Has(totals.warnings, Warning::kProgramMissing)
        ? "the lists are ready once the device program, the device build of cabbatch.exe, is copied beside them."
        : "ready for the device.";
    if (totals.attention == 0)
        return program;
    std::string things = Count(totals.attention, "thing") + " to look at, each marked !; ";
    if (totals.ready)
        return things + "none of them stops the card: " + program;
    if (totals.promoted == 0)
        return things + std::to_string(totals.failures) + " will not happen as written: not ready for the device.";
    // Under --fail-on or --strict, notes count with the failures, and the summary says so.
    return things + std::to_string(totals.failures) + (totals.failures == 1 ? " fails" : " fail") + " the card ("
         + std::to_string(totals.failures - totals.promoted) + " will not happen as written, "
         + Count(totals.promoted, "note") + " made " + (totals.promoted == 1 ? "a failure" : "failures") + " by "
         + (options.strict ? "--strict" : "--fail-on") + "): not ready for the device.";
}

class PlainReport final : public ReportWriter {
public:
    explicit PlainReport(Output &out) : out_(out) {}

    void Begin(const Options &options) override
    {
        options_ = &options;
        const std::optional<int> terminal = desktop::TerminalColumns();
        width_ = std::max<size_t>(terminal.value_or(80), kNarrowest);
        const char *noColour = std::getenv("NO_COLOR");
        bool wanted = options.colour == Colour::kAlways
                   || (options.colour == Colour::kAuto && terminal && (noColour == nullptr || *noColour == '\0'));
        colour_ = wanted && (!terminal || desktop::EnableColour());
        out_.Add(AsLine("Card folder " + Phrase::QuotedNameBytes(options.folder) + ", on the device "
                            + Phrase::QuotedName(options.deviceDir)
                            + (options.deviceDirGiven ? " (--device-dir)" : " (the default; --device-dir names another)"),
                        2));
    }

    void BeginList(const ListReport &list) override
    {
        std::string out = "\n" + AsLine(Phrase::Name(list.file.name) + ": for OS version " + std::to_string(list.file.osVersion)
                                           + ", " + EncodingText(list.encoding, options_->codePage), 2);
        if (!list.runs)
            out += AsNote("  ! ", Warning::kListUnnamable, {*options_, nullptr, &list}, 4)
                 + "  Were it read, its lines would be:\n";
        out_.Add(out);
    }

    void Line(const LineReport &line) override;

    void EndList(const ListReport &list) override
    {
        const Counts &c = list.counts;
        std::string counts = "  " + Count(c.lines, "line") + ": " + StartsText(c) + ", " + Count(c.blank, "blank line")
                           + ", " + Count(c.skipped, "line") + " skipped. Its packages install " + SizeText(c.bytes) + ".";
        if (list.runs && !list.file.facts.readOnly)
            counts += " Then the device deletes the list, so the batch runs once.";
        std::string out = AsLine(counts, 4);
        for (Warning warning : ListNotes(list)) {
            if (warning != Warning::kListUnnamable)  // told before its lines
                out += AsNote("  ! ", warning, {*options_, nullptr, &list}, 4);
        }
        out_.Add(out);
    }

    void End(const Totals &totals) override;

private:
    // Below this a hanging indent would leave too little of a line.
    static constexpr size_t kNarrowest = 40;

    // One line of the report, its further lines indented by hang.
    std::string AsLine(const Phrase &line, size_t hang) const
    {
        return LaidOut(line, {width_, hang, nullptr, 0}) + "\n";
    }
    // A note after its lead, which ends in "! ": coloured from the mark by its severity.
    std::string AsNote(const std::string &lead, Warning warning, const NoteSubject &subject, size_t hang) const
    {
        const char *colour = SeverityOf(warning, *options_) == Severity::kFailure ? "\x1b[31m" : "\x1b[33m";
        return LaidOut(lead + RowOf(warning).sentence(subject), {width_, hang, colour_ ? colour : nullptr, lead.size() - 2})
             + "\n";
    }
    // What a package holds reads the same on each of its lines, so it is made once.
    const std::string &Described(const PackageFacts &facts)
    {
        auto known = described_.find(&facts);
        if (known == described_.end())
            known = described_.emplace(&facts, AsLine("            " + PackageText(facts, options_->codePage), 14)).first;
        return known->second;
    }
    std::string ProgramsText(const Totals &totals) const;

    Output &out_;
    const Options *options_ = nullptr;
    size_t width_ = 80;
    bool colour_ = false;
    std::map<const PackageFacts *, std::string> described_;
    std::string line_;  // kept from line to line: a list may have millions
};

void PlainReport::Line(const LineReport &line)
{
    const std::string number = NumberColumn(line.number);
    const NoteSubject subject{*options_, &line};
    if (line.reason == Reason::kNone) {
        // Most entry lines fit as they are: only a longer one is made a phrase to lay out.
        line_.assign(number).append("install ").append(Quoted(line.packagePath)).append("\n");
        if (line_.size() > width_ + 1)
            line_.assign(AsLine(number + ("install " + Phrase::QuotedName(line.packagePath)), 12));
        if (line.package != nullptr)
            line_.append(Described(*line.package)).append(ContentsText(line, options_->contents, width_));
        for (Warning warning : LineNotes(line))
            line_.append(AsNote("            ! ", warning, subject, 14));
    } else if (line.reason == Reason::kBlank) {
        line_.assign(number).append("skip    blank line\n");
    } else {
        // A skipped line is a note of its own, but for a blank one.
        line_.assign(AsNote(number + "skip  ! ", *WarningOf(line.reason), subject, 17));
    }
    out_.Add(line_);
}

std::string PlainReport::ProgramsText(const Totals &totals) const
{
    std::string out;
    for (const Program &program : totals.programs) {
        std::string version = program.version ? " " + ProgramVersionText(*program.version) : "";
        out += (out.empty() ? "\nPrograms in the folder:\n" : "")
             + AsLine("  " + Phrase::QuotedName(program.file) + version + ": " + ProgramText(program), 4);
        if (program.older)
            out += AsNote("  ! ", Warning::kProgramOlder, {*options_, nullptr, nullptr, nullptr, &program}, 4);
    }
    if (Has(totals.warnings, Warning::kNoDeviceProgram))
        out += AsNote("  ! ", Warning::kNoDeviceProgram, {*options_}, 4);
    return out;
}

void PlainReport::End(const Totals &totals)
{
    std::string out;
    for (const FolderNote &note : FolderNotes(totals)) {
        if (note.warning != Warning::kProgramOlder && note.warning != Warning::kNoDeviceProgram)  // told with the programs
            out += (out.empty() ? "\n" : "")
                 + AsNote("! ", note.warning, {*options_, nullptr, nullptr, note.nearMiss, nullptr, &totals}, 2);
    }
    out += ProgramsText(totals);
    out += "\n" + AsLine("Summary: " + Count(totals.lists, "list") + "; " + SummaryText(totals, *options_), 2);
    if (totals.installs > 0)
        out += AsLine("The device's installer deletes each package file once it has run it, even when the "
                      "installation failed: the card's packages are used up along with its list.", 2);
    out_.Add(out);
    out_.Flush();
}

}  // namespace

std::unique_ptr<ReportWriter> PlainWriter(Output &out) { return std::make_unique<PlainReport>(out); }

}  // namespace check
