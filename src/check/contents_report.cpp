// The contents of a package in words and in JSON, in the order the setup information gives
// them, every text from the package a name of the phrase. A line names at most a few folders, so that a package of thousands stays one line.
#include "contents_report.h"

#include <algorithm>
#include <set>
#include <vector>

namespace check {

namespace {

const size_t kNamed = 3;

std::string Counted(size_t count, const std::string &thing)
{
    return count == 0 ? "no " + thing + "s" : std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// The texts, each once, the first few named: "A", "A and B", "A, B, C and 4 more folders".
Phrase Listed(const std::vector<Text> &texts, const std::string &thing)
{
    std::vector<Phrase> named;
    std::set<Text> seen;
    for (const Text &text : texts) {
        if (seen.insert(desktop::FoldCase(text)).second && named.size() < kNamed)
            named.push_back(Phrase::Name(text));
    }
    size_t more = seen.size() - named.size();
    Phrase out;
    for (size_t i = 0; i < named.size(); i++)
        out += (i == 0 ? "" : i + 1 == named.size() && more == 0 ? " and " : ", ") + named[i];
    return out + (more > 0 ? " and " + std::to_string(more) + " more " + thing + (more == 1 ? "" : "s") : "");
}

Phrase FileLine(const InstalledFile &file)
{
    Phrase out = "file " + Phrase::Name(file.path) + ": " + SizeText(file.bytes) + ", " + CodeText(file.code) + ", "
               + (file.member ? "from " + Phrase::NameBytes(*file.member) : Phrase("in no member of the cabinet"));
    std::vector<std::string> flags = FlagNames(file.flags);
    for (size_t i = 0; i < flags.size(); i++)
        out += (i == 0 ? "; " : ", ") + flags[i];
    return out;
}

std::string JsonStrings(const std::vector<std::string> &items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); i++)
        out += (i ? ", " : "") + Json(items[i]);
    return out + "]";
}

template <typename Item, typename Each> std::string JsonList(const std::vector<Item> &items, Each each)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); i++)
        out += (i ? ", " : "") + each(items[i]);
    return out + "]";
}

}  // namespace

std::string SizeText(std::uint64_t bytes)
{
    const std::uint64_t kKilo = 1024, kMega = kKilo * kKilo;
    if (bytes < kKilo)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    if (bytes < kMega)
        return std::to_string((bytes + kKilo / 2) / kKilo) + " KB";
    std::uint64_t tenths = (bytes * 10 + kMega / 2) / kMega;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

Phrase ContentsLine(const Contents &contents)
{
    std::vector<Text> folders;
    for (const InstalledFile &file : contents.files)
        folders.push_back(FolderOf(file.path));
    Phrase files = contents.files.empty() ? Phrase("installs no files")
        : "installs " + Counted(contents.files.size(), "file") + " (" + SizeText(contents.bytes) + ") into "
              + Listed(folders, "folder");
    return files + "; " + Counted(contents.registry.size(), "registry value") + "; "
         + Counted(contents.shortcuts.size(), "shortcut");
}

Phrase ConfigurationText(const Contents &contents)
{
    Phrase out = std::string("a configuration package") + (contents.files.empty() ? ": it installs no files" : "");
    return contents.configures.empty() ? out : out + " (" + Listed(contents.configures, "characteristic") + ")";
}

std::vector<Phrase> ContentsListing(const Contents &contents)
{
    std::vector<Phrase> lines;
    for (const InstalledFile &file : contents.files)
        lines.push_back(FileLine(file));
    for (const RegistryValue &value : contents.registry)
        lines.push_back("registry " + Phrase::Name(value.key) + ", "
                        + (value.name.empty() ? Phrase("its default value") : "value " + Phrase::QuotedName(value.name))
                        + " (" + RegistryTypeName(value.type) + ")");
    for (const Shortcut &shortcut : contents.shortcuts)
        lines.push_back("shortcut " + Phrase::Name(shortcut.path) + " to " + Phrase::Name(shortcut.target));
    return lines;
}

std::string JsonContents(const Contents &contents)
{
    auto file = [](const InstalledFile &f) {
        return "{\"path\": " + Json(f.path) + ", \"member\": " + (f.member ? Json(*f.member) : "null")
             + ", \"bytes\": " + std::to_string(f.bytes) + ", \"code\": \"" + CodeName(f.code)
             + "\", \"flags\": " + JsonStrings(FlagNames(f.flags)) + "}";
    };
    auto value = [](const RegistryValue &v) {
        return "{\"key\": " + Json(v.key) + ", \"name\": " + Json(v.name) + ", \"type\": \""
             + RegistryTypeName(v.type) + "\"}";
    };
    auto shortcut = [](const Shortcut &s) {
        return "{\"path\": " + Json(s.path) + ", \"target\": " + Json(s.target) + "}";
    };
    return "{\"install_dir\": " + (contents.installDir ? Json(*contents.installDir) : "null") + ", \"files\": "
         + JsonList(contents.files, file) + ", \"registry\": " + JsonList(contents.registry, value)
         + ", \"shortcuts\": " + JsonList(contents.shortcuts, shortcut) + ", \"configures\": "
         + JsonList(contents.configures, [](const Text &type) { return Json(type); })
         + ", \"bytes\": " + std::to_string(contents.bytes) + "}";
}

}  // namespace check
