// What a package puts on the device, the same facts whichever form of setup information told
// them (contents_000.h, contents_xml.h): its files with whole paths, its registry values and
// its shortcuts; and what those facts mean for the device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "program_code.h"
#include "text.h"

namespace check {

// A file's flags as the .000 stores them; the document's Extract parms set the same bits.
constexpr unsigned long kFileShared = 0x80000000ul, kFileAlwaysOverwrite = 0x40000000ul,
                        kFileKeepNewer = 0x20000000ul, kFileSelfRegister = 0x10000000ul,
                        kFileOnlyIfPresent = 0x400, kFileNeverOverwrite = 0x10, kFileNeverSkip = 0x2,
                        kFileWarnIfSkipped = 0x1;

struct InstalledFile {
    Text path;                           // whole, on the device
    std::optional<unsigned> number;      // the .000's: the number of the member that holds it
    std::string source;                  // the document's: that member's name
    unsigned long flags = 0;
    // Of that member, where the cabinet holds it:
    std::optional<std::string> member;   // its name as stored
    std::uint64_t bytes = 0;
    ProgramCode code;
};

enum class RegistryType { kString, kDword, kMultiString, kBinary };
struct RegistryValue {
    Text key, name;                      // an empty name: the key's default value
    RegistryType type = RegistryType::kString;
};

struct Shortcut {
    Text path, target;
};

struct Contents {
    std::optional<Text> installDir;      // none where the form does not record it (the .000)
    std::vector<InstalledFile> files;
    std::vector<RegistryValue> registry;
    std::vector<Shortcut> shortcuts;
    std::vector<Text> configures;        // the document's other characteristics (CertificateStore...)
    std::uint64_t bytes = 0;             // the files' bytes, summed
};

// The bounds that setup information of either form keeps, and the one sentence for each.
constexpr std::uint64_t kSetupMost = 1 << 20;
constexpr size_t kTextMost = 260;        // characters of a string or a path
enum class SetupBound { kOutside, kTooLarge, kTooLong };
std::string BoundSentence(SetupBound bound);

// A folder as either form writes it, made whole: a leading %CEn% resolved with the Windows
// CE 6 table, %InstallDir% with installDir (kept as written without one), and any other
// path taken from the root.
Text WholePath(const Text &written, const std::optional<Text> &installDir);
Text CeFolder(unsigned number);          // empty outside 1 to 17
Text JoinPath(const Text &folder, const Text &name);
Text FolderOf(const Text &path);         // "\" for a file at the root
bool Unresolved(const Text &path);       // built on a folder not known here
// The flags by name, in a fixed order, and any other bit as a hex number.
std::vector<std::string> FlagNames(unsigned long flags);
const char *RegistryTypeName(RegistryType type);

// What the contents mean on an ARM device: files of native code for another processor,
// whether any program is .NET, and the programs that start at every boot (a file, or a
// shortcut's target, in \Windows\StartUp).
std::vector<const InstalledFile *> ForeignFiles(const Contents &contents);
bool HasDotnet(const Contents &contents);
std::vector<Text> StartsAtBoot(const Contents &contents);

}  // namespace check
