// The desktop side of the platform, for the card check: a card folder read by the device
// file system's rules, the device's ANSI code pages, the core's file reads, and the console.
// Desktop only, so C++17 and its library.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace desktop {

namespace fs = std::filesystem;

// Text as the core holds it: UTF-16 code units, one per wchar_t whatever its width.
using Text = std::wstring;

std::string ToUtf8(const Text &text);          // a lone surrogate becomes U+FFFD
Text FromUtf8(const std::string &bytes);       // an invalid byte becomes U+FFFD

// Upper case for comparing names as the device's file system does: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic letters.
Text FoldCase(const Text &text);

// A list found in a card folder.
struct ListFile {
    fs::path path;
    std::string name;          // as on disk, UTF-8
    unsigned long osVersion;
    bool readOnly;             // no write permission: the device cannot delete it
};

// A card folder, looked at as the device sees it: names match without regard to case.
class CardFolder {
public:
    explicit CardFolder(fs::path root) : root_(std::move(root)) {}
    // Every list "SetupFile.CE<version>.txt" in the folder, by version. Throws
    // fs::filesystem_error when the folder cannot be read.
    std::vector<ListFile> Lists();
    // Whether the folder holds the file that a backslash-separated name relative to it names.
    bool HasFile(const Text &relativeName);

private:
    struct Item {
        fs::path path;
        bool isDirectory;
        bool isFile;
    };
    const std::multimap<Text, Item> &Listing(const fs::path &directory);

    fs::path root_;
    std::map<fs::path, std::multimap<Text, Item>> listings_;  // by folded name
};

// The Windows ANSI code pages the check can decode lines in.
bool HasCodePage(int codePage);
std::string CodePageNames();  // for messages: "874, 932, ..."
// Decodes bytes in codePage into wide[capacity] as MultiByteToWideChar does: the number of
// UTF-16 units, or -1 when they do not fit.
int DecodeCodePage(int codePage, const unsigned char *bytes, int count, wchar_t *wide,
                   int capacity);

// The core's list reads on the desktop: lines that are not UTF-8 are decoded in this code page.
void SelectCodePage(int codePage);
PlatformHandle OpenForReading(const fs::path &path);  // null when it cannot be opened
void CloseForReading(PlatformHandle file);

// The command line as UTF-8, program name left out.
std::vector<std::string> Arguments(int argc, char **argv);
// Writes UTF-8 text to stdout or stderr so that it shows right there: to a console as
// its characters, to a pipe or file as UTF-8 bytes.
void Write(bool toStderr, const std::string &utf8);

}  // namespace desktop
