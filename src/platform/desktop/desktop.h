// The desktop side of the platform, for the card check: folders and files read safely
// whatever a card holds, the device file system's upper-case table, the device's ANSI code
// pages, the core's file reads, and the console. Desktop only, so C++17 and its library.
// It depends on nothing above the platform seam: names come and go in the host's own form.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace desktop {

// Paths are only held and joined here; every call on them goes through the calls below,
// which reach any length the host allows.
using Path = std::filesystem::path;
using NativeName = Path::string_type;  // UTF-8 bytes on POSIX, UTF-16 on Windows

// Text as the core holds it: UTF-16 code units, one per wchar_t whatever its width.
using Text = std::wstring;

enum class Kind {
    kMissing,     // nothing there, or a link to nowhere
    kFile,        // a regular file, perhaps behind a link
    kDirectory,
    kOther,       // a FIFO, device or socket: never read, since reading could block or never end
    kUnreadable   // there, but its kind cannot be found out (a loop of links, say)
};

struct Facts {
    Kind kind = Kind::kMissing;
    bool readOnly = false;     // no write permission: the device could not delete it
    bool link = false;         // the name itself is a link (on Windows, a reparse point)
    std::string why;           // with kUnreadable: the system's reason
};

// What a path is, following links, and whether the name itself is a link.
Facts Inspect(const Path &path);
// The file itself, whichever name reaches it: hard links and links to one file share it.
// Its size too, so that a file system that numbers its files poorly (some network shares
// give every file the index 0) cannot make two files of different sizes one.
struct FileIdentity {
    std::uint64_t volume = 0, index = 0, size = 0;
    bool operator<(const FileIdentity &other) const
    {
        return std::tie(volume, index, size) < std::tie(other.volume, other.index, other.size);
    }
};
// The identity of the file a path reaches, links followed; nothing where it cannot be had.
std::optional<FileIdentity> IdentityOf(const Path &path);
// The names in a folder, "." and ".." left out; kFailed with the system's reason in *why
// when it cannot be read.
Status ListFolder(const Path &folder, std::vector<NativeName> *names, std::string *why);
// FOLDER as given on the command line, made absolute where the host needs that to reach
// long paths.
Path FolderPath(const std::string &utf8);

// A regular file opened for the core's reads (PlatformReadFile); kFailed with *why when it
// cannot be opened or is not a regular file. Opening never blocks.
Status OpenRegularFile(const Path &path, PlatformHandle *file, std::string *why);
void CloseFile(PlatformHandle file);
std::uint64_t BytesRead(PlatformHandle file);
std::string ReadError(PlatformHandle file);  // why the last read failed

// A package read through by the platform's own cabinet library (libmspack, or Windows'
// cabinet.dll): every member decompressed and discarded, data checksums checked, nothing
// written anywhere. Of the members that wanted() asks for, as it meets them in the
// cabinet's order, the first kMemberBytesKept bytes are kept.
struct CabinetRead {
    bool readThrough = false;           // the library read every member without a fault
    std::vector<std::string> members;   // their names as stored
    std::vector<std::pair<std::string, std::string>> kept;  // (name, bytes), in cabinet order
};
constexpr size_t kMemberBytesKept = 1 << 20;
// Receives each member, as soon as it is unpacked without a fault: its name, its first
// kMemberStartBytes (all of a shorter one) and how many bytes it unpacked to. Nothing more of
// a member is held while it is unpacked.
using MemberStart = std::function<void(const std::string &name, const std::string &start, std::uint64_t size)>;
constexpr size_t kMemberStartBytes = 1 << 16;
CabinetRead ReadCabinet(const Path &path, const std::function<bool(const std::string &name)> &wanted,
                        const MemberStart &unpacked = nullptr);

// An XML document's elements in document order, each with its depth (0 for the root) and
// its attributes, names and values in UTF-8.
struct XmlElement {
    int depth = 0;
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
};
// Elements nest at most this deep. The check refuses a document nested deeper before a
// parser sees it, and each parser is held to it too.
constexpr int kXmlDepthMost = 256;
// Entities may add at most this much to a document: a few nested ones could otherwise
// make a small document grow without end.
constexpr size_t kXmlExpansionMost = 1 << 20;
// Reads a document with the platform's XML parser (expat, or Windows' XmlLite): kFailed when
// it is not well-formed or passes a bound: a DTD (which XmlLite is never given), an external
// entity, which is never loaded, or entities that expand past kXmlExpansionMost.
Status ReadXml(const std::string &document, std::vector<XmlElement> *elements);

// Windows' extended-length form of a full path ("\\?\C:\...", "\\?\UNC\server\..."), which
// the wide calls take beyond 260 characters. Pure, so that every build can test it.
std::wstring ExtendedLengthPath(const std::wstring &fullPath);
// Whether a path starts with a drive and its root, such as "C:\".
bool StartsWithDrive(const std::wstring &path);

// Upper case as the Windows file systems compare names, unit by unit.
wchar_t UpperCase(wchar_t unit);
Text FoldCase(const Text &text);

// The Windows ANSI code pages the check can decode lines in.
bool HasCodePage(int codePage);
std::string CodePageNames();  // for messages: "874, 932, ..."
// Bytes in one of them are decoded by PlatformDecodeAnsi, exactly as MultiByteToWideChar
// decodes them: for the core's list reads, and for the names inside packages.

// The command line as UTF-8, program name left out.
std::vector<std::string> Arguments(int argc, char **argv);
// Writes UTF-8 text to stdout or stderr so that it shows right there: to a console as its
// characters, to a pipe or file as UTF-8 bytes. kFailed, with the reason, when it could not
// all be written.
Status Write(bool toStderr, const std::string &utf8, std::string *why);
// Standard output's width in columns when it is a terminal (a console on Windows); nothing
// for a pipe or a file.
std::optional<int> TerminalColumns();
// Makes the terminal on standard output take colour sequences; false where it cannot.
bool EnableColour();
// Keeps a console window that the check opened for itself (double-clicked, or a folder
// dropped on it) until Enter is pressed, so that the report can be read.
void HoldOwnConsole();

}  // namespace desktop
