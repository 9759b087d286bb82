// The .000's sections (ce-package-contents.md, "The .000 member"): strings, folders, files,
// registry hives and values, and shortcuts, each a run of entries that later sections name
// by id. Every entry is checked to lie inside the member before a byte of it is read.
#include "contents_000.h"

#include <cstring>
#include <map>

#include "cabinet_layout.h"
#include "little_endian.h"

namespace check {

namespace {

using namespace layout;

enum Section { kStrings, kDirs, kFiles, kHives, kKeys, kLinks };

// An entry: a head of fixed size, whose word at lengthAt gives the bytes that follow it.
struct Shape {
    size_t head, lengthAt;
};
const Shape kShapes[] = {{4, 2}, {4, 2}, {12, 10}, {8, 6}, {12, 10}, {12, 10}};

const wchar_t *const kRoots[] = {L"HKCR", L"HKCU", L"HKLM", L"HKU"};  // 1 to 4
const unsigned long kValueWide = 0x10000, kValueLow = 1;               // the type's deciding bits

class Reader {
public:
    Reader(const unsigned char *bytes, size_t limit, int codePage, Contents &contents)
        : bytes_(bytes), limit_(limit), codePage_(codePage), contents_(contents) {}

    bool Read()
    {
        return Walk(kStrings, [this](const unsigned char *head, const unsigned char *body, size_t length) {
                   Text text;
                   return Decode(body, length, &text) && (strings_.emplace(Word(head), text), true);
               })
            && Walk(kDirs, [this](const unsigned char *head, const unsigned char *body, size_t length) {
                   Text path;
                   return Joined(body, length, &path) && Bounded(path = WholePath(path, std::nullopt))
                       && (dirs_.emplace(Word(head), path), true);
               })
            && Walk(kFiles, [this](const unsigned char *head, const unsigned char *body, size_t length) {
                   return File(head, body, length);
               })
            && Walk(kHives, [this](const unsigned char *head, const unsigned char *body, size_t length) {
                   return Hive(head, body, length);
               })
            && Walk(kKeys, [this](const unsigned char *head, const unsigned char *body, size_t length) {
                   return Key(head, body, length);
               })
            && Walk(kLinks, [this](const unsigned char *head, const unsigned char *body, size_t length) {
                   return Link(head, body, length);
               });
    }
    SetupBound fault = SetupBound::kOutside;

private:
    // Calls entry(head, body, length) for each entry of a section, as far as each fits.
    template <typename Entry> bool Walk(Section section, Entry entry)
    {
        const Shape shape = kShapes[section];
        size_t count = Word(bytes_ + kSetupSectionCounts + 2 * section);
        size_t at = Long(bytes_ + kSetupSectionOffsets + 4 * section);
        for (size_t i = 0; i < count; i++) {
            if (at > limit_ || limit_ - at < shape.head)
                return Fail(SetupBound::kOutside);
            size_t length = Word(bytes_ + at + shape.lengthAt);
            if (limit_ - at - shape.head < length)
                return Fail(SetupBound::kOutside);
            if (!entry(bytes_ + at, bytes_ + at + shape.head, length))
                return false;
            at += shape.head + length;
        }
        return true;
    }

    bool Fail(SetupBound bound)
    {
        fault = bound;
        return false;
    }

    bool Bounded(const Text &text) { return text.size() <= kTextMost || Fail(SetupBound::kTooLong); }

    // A text up to its first NUL (real packages pad some with more), in the device's code page.
    bool Decode(const unsigned char *at, size_t length, Text *text)
    {
        const void *nul = std::memchr(at, 0, length);
        size_t end = nul != nullptr ? size_t(static_cast<const unsigned char *>(nul) - at) : length;
        *text = FromCodePage(std::string(reinterpret_cast<const char *>(at), end), codePage_);
        return Bounded(*text);
    }

    // String ids ending with 0, their strings joined with backslashes.
    bool Joined(const unsigned char *ids, size_t length, Text *path)
    {
        for (size_t at = 0; at + 2 <= length && Word(ids + at) != 0; at += 2) {
            auto string = strings_.find(unsigned(Word(ids + at)));
            if (string == strings_.end())
                return Fail(SetupBound::kOutside);
            *path += (at == 0 ? L"" : L"\\") + string->second;
        }
        return Bounded(*path);
    }

    bool File(const unsigned char *head, const unsigned char *body, size_t length)
    {
        auto folder = dirs_.find(unsigned(Word(head + 2)));
        InstalledFile file;
        Text name;
        if (folder == dirs_.end())
            return Fail(SetupBound::kOutside);
        if (!Decode(body, length, &name) || !Bounded(file.path = JoinPath(folder->second, name)))
            return false;
        file.number = unsigned(Word(head));
        file.flags = Long(head + 6);
        files_.emplace(*file.number, contents_.files.size());
        contents_.files.push_back(file);
        return true;
    }

    bool Hive(const unsigned char *head, const unsigned char *body, size_t length)
    {
        unsigned long root = Word(head + 2);
        Text key = root >= 1 && root <= 4 ? kRoots[root - 1] : L"root " + std::to_wstring(root), path;
        if (!Joined(body, length, &path) || !Bounded(key += path.empty() ? L"" : L"\\" + path))
            return false;
        hives_.emplace(unsigned(Word(head)), key);
        return true;
    }

    // The value's name ends with a NUL inside the entry; its data follows.
    bool Key(const unsigned char *head, const unsigned char *body, size_t length)
    {
        auto hive = hives_.find(unsigned(Word(head + 2)));
        if (hive == hives_.end() || std::memchr(body, 0, length) == nullptr)
            return Fail(SetupBound::kOutside);
        RegistryValue value;
        value.key = hive->second;
        unsigned long type = Long(head + 6);
        value.type = (type & kValueWide) ? ((type & kValueLow) ? RegistryType::kDword : RegistryType::kMultiString)
                                         : ((type & kValueLow) ? RegistryType::kBinary : RegistryType::kString);
        if (!Decode(body, length, &value.name))
            return false;
        contents_.registry.push_back(value);
        return true;
    }

    // A shortcut under a folder of the DIRS (base 0) or a %CEn% folder, to a folder or a file.
    bool Link(const unsigned char *head, const unsigned char *body, size_t length)
    {
        unsigned base = unsigned(Word(head + 4)), target = unsigned(Word(head + 6)), kind = unsigned(Word(head + 8));
        auto folder = dirs_.find(unsigned(Word(head + 2)));
        auto file = files_.find(target);
        auto targetFolder = dirs_.find(target);
        Shortcut shortcut;
        Text name;
        if ((base == 0 && folder == dirs_.end()) || (base != 0 && CeFolder(base).empty()) || kind > 1
            || (kind == 1 && file == files_.end()) || (kind == 0 && target != 0 && targetFolder == dirs_.end()))
            return Fail(SetupBound::kOutside);
        if (!Joined(body, length, &name))
            return false;
        shortcut.path = JoinPath(base == 0 ? folder->second : CeFolder(base), name);
        shortcut.target = kind == 1 ? contents_.files[file->second].path
                        : target == 0 ? WholePath(L"%InstallDir%", std::nullopt) : targetFolder->second;
        if (!Bounded(shortcut.path))
            return false;
        contents_.shortcuts.push_back(shortcut);
        return true;
    }

    const unsigned char *bytes_;
    size_t limit_;
    int codePage_;
    Contents &contents_;
    std::map<unsigned, Text> strings_, dirs_, hives_;
    std::map<unsigned, size_t> files_;   // file id: its index in contents_.files
};

}  // namespace

bool ReadContents000(const unsigned char *bytes, size_t limit, int codePage, Contents *contents, std::string *why)
{
    Reader reader(bytes, limit, codePage, *contents);
    if (reader.Read())
        return true;
    *why = BoundSentence(reader.fault);
    return false;
}

}  // namespace check
