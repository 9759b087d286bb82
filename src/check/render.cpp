// The card check's two forms of the report: a plain one for whoever prepares the card, and
// JSON for scripts. The JSON form is a documented contract: change it only by adding.
#include <cstdio>

#include "report.h"

namespace check {

using desktop::ToUtf8;

static const char *ReasonName(Reason reason)
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

static const char *WarningName(Warning warning)
{
    switch (warning) {
    case Warning::kQuote: return "quote";
    case Warning::kAbsolute: return "absolute";
    case Warning::kDuplicate: return "duplicate";
    }
    return "";
}

static const char *EncodingName(ListEncoding encoding)
{
    return encoding == kListUtf16 ? "utf-16le" : encoding == kListUtf8Mark ? "utf-8-bom" : "bytes";
}

// ---- JSON

// A JSON string: UTF-8, with a lone surrogate kept as its \u escape.
static std::string Json(const Text &text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); i++) {
        unsigned unit = unsigned(text[i]) & 0xFFFF;
        bool paired = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()
                   && (text[i + 1] & 0xFFFF) >= 0xDC00 && (text[i + 1] & 0xFFFF) <= 0xDFFF;
        char escape[8];
        if (unit == '"' || unit == '\\') {
            out += '\\';
            out += char(unit);
        } else if (unit < 0x20 || (unit >= 0xD800 && unit <= 0xDFFF && !paired)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", unit);
            out += escape;
        } else {
            out += ToUtf8(text.substr(i, paired ? 2 : 1));
            i += paired;
        }
    }
    return out + "\"";
}

static std::string Json(const std::string &utf8) { return Json(desktop::FromUtf8(utf8)); }
static std::string Json(bool value) { return value ? "true" : "false"; }

static std::string JsonLine(const LineReport &line)
{
    std::string out = "{\"line\": " + std::to_string(line.number);
    if (line.reason != Reason::kNone) {
        out += ", \"outcome\": \"skip\", \"reason\": \"" + std::string(ReasonName(line.reason)) + "\"";
        if (line.reason == Reason::kDoesNotFit)
            out += ", \"entry\": " + Json(line.entry) + ", \"package\": " + Json(line.package);
        return out + "}";
    }
    out += ", \"outcome\": \"install\", \"entry\": " + Json(line.entry) + ", \"package\": "
         + Json(line.package) + ", \"arguments\": " + Json(line.arguments)
         + ", \"found\": " + Json(line.found) + ", \"warnings\": [";
    for (size_t i = 0; i < line.warnings.size(); i++)
        out += (i ? ", \"" : "\"") + std::string(WarningName(line.warnings[i])) + "\"";
    return out + "]}";
}

std::string JsonReport(const Report &report)
{
    std::string out = "{\"folder\": " + Json(report.options.folder)
                    + ", \"device_dir\": " + Json(report.options.deviceDir) + ", \"lists\": [";
    for (size_t l = 0; l < report.lists.size(); l++) {
        const ListReport &list = report.lists[l];
        out += (l ? ", " : "") + std::string("{\"file\": ") + Json(list.file.name)
             + ", \"os_version\": " + std::to_string(list.file.osVersion)
             + ", \"encoding\": \"" + EncodingName(list.encoding) + "\""
             + ", \"read_only\": " + Json(list.file.readOnly) + ", \"runs\": " + Json(list.runs)
             + ", \"lines\": [";
        for (size_t i = 0; i < list.lines.size(); i++)
            out += (i ? ", " : "") + JsonLine(list.lines[i]);
        out += "]}";
    }
    return out + "]}\n";
}

// ---- Human

// A name as a technician should see it: in quotes, so that spaces at either end show, and
// with control characters spelt out.
static std::string Shown(const Text &text)
{
    Text visible;
    for (wchar_t c : text) {
        if (c == L'\r')
            visible += L"<CR>";
        else if (c == L'\t')
            visible += L"<TAB>";
        else if (c < 0x20)
            visible += L"<" + std::to_wstring(int(c)) + L">";
        else
            visible += c;
    }
    return "\"" + ToUtf8(visible) + "\"";
}

static std::string ReasonText(const LineReport &line)
{
    switch (line.reason) {
    case Reason::kBlank: return "blank line";
    case Reason::kNul: return "the line holds a NUL character";
    case Reason::kTooLong: return "the line is longer than 126 characters";
    case Reason::kDoesNotFit:
        return Shown(line.package) + " (" + std::to_string(line.package.size())
             + " characters) does not fit the installer's 127-character command line";
    case Reason::kReadError: return "a read error cut the list here; nothing after it is read";
    case Reason::kNone: break;
    }
    return "";
}

static std::string Notes(const LineReport &line)
{
    std::string notes;
    if (!line.found)
        notes += "\n            ! not in the card folder";
    for (Warning warning : line.warnings) {
        if (warning == Warning::kQuote)
            notes += "\n            ! holds a double quote: what follows it reaches the installer as switches";
        else if (warning == Warning::kAbsolute)
            notes += "\n            ! starts with a backslash: it is still joined to the folder, with a doubled backslash";
        else
            notes += "\n            ! the same package as line " + std::to_string(line.sameAs) + ": the installer is started on it again";
    }
    return notes;
}

static std::string EncodingText(ListEncoding encoding, int codePage)
{
    if (encoding == kListUtf16)
        return "UTF-16LE";
    std::string lines = "each line UTF-8 where valid, else code page " + std::to_string(codePage);
    return encoding == kListUtf8Mark ? "UTF-8 with byte-order mark, " + lines : lines;
}

static std::string ListFate(const ListReport &list, const Options &options)
{
    if (!list.runs)
        return "  NOTHING RUNS: in the folder " + Shown(options.deviceDir) + " ("
             + std::to_string(options.deviceDir.size()) + " characters) the list's path does not fit "
             "the device program's 127 characters, so it cannot name the list, which stays.\n"
             "  Were it read, its lines would be:\n";
    if (list.file.readOnly)
        return "  ! The list is read-only: the device cannot delete it, so the batch runs again at every start.\n";
    return "  Then the device deletes the list, so the batch runs once.\n";
}

static std::string Count(size_t count, const std::string &thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

static std::string HumanList(const ListReport &list, const Options &options)
{
    std::string out = "\n" + list.file.name + ": for OS version " + std::to_string(list.file.osVersion)
                    + ", " + EncodingText(list.encoding, options.codePage) + ", "
                    + Count(list.lines.size(), "line") + "\n";
    if (!list.runs)
        out += ListFate(list, options);
    for (const LineReport &line : list.lines) {
        char number[16];
        std::snprintf(number, sizeof number, "  %5d  ", line.number);
        out += number;
        if (line.reason == Reason::kNone)
            out += "install " + Shown(line.package) + Notes(line) + "\n";
        else
            out += "skip    " + ReasonText(line) + "\n";
    }
    return list.runs ? out + ListFate(list, options) : out;
}

std::string HumanReport(const Report &report)
{
    const Options &options = report.options;
    std::string out = "Card folder " + options.folder + ", on the device " + Shown(options.deviceDir)
                    + " (--device-dir)\n";
    size_t installs = 0, skipped = 0, attention = ThingsToLookAt(report);
    for (const ListReport &list : report.lists) {
        out += HumanList(list, options);
        for (const LineReport &line : list.lines) {
            installs += line.reason == Reason::kNone;
            skipped += line.reason != Reason::kNone && line.reason != Reason::kBlank;
        }
    }
    if (report.lists.empty())
        out += options.osVersion ? "\nNo list SetupFile.CE" + std::to_string(*options.osVersion) + ".txt in the folder: nothing runs.\n"
                                 : "\nNo list SetupFile.CE<version>.txt in the folder: nothing runs.\n";
    out += "\nSummary: " + Count(report.lists.size(), "list") + ", " + Count(installs, "package")
         + " to install, " + Count(skipped, "line") + " skipped; "
         + (attention ? Count(attention, "thing") + " to look at." : "ready for the device.")
         + "\nThe device's installer deletes each package file once it has run it, even when the "
           "installation failed: the card's packages are used up along with its list.\n";
    return out;
}

}  // namespace check
