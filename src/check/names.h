// Names as the device and its installer take them: what no file on the device can be named,
// what desktop Windows trims, how the installer splits an entry that holds a quote, and what
// makes two spellings of a name reach the same file.
#pragma once

#include <optional>
#include <string>

#include "text.h"

namespace check {

// The first character of a path that no file on the device can hold in its name (one of
// ? * : < > | " or a control character), or nothing.
std::optional<wchar_t> UnholdableCharacter(const Text &name);

// The dots and spaces at a name's end, which desktop Windows drops; and those words for
// them: "a space", "2 dots", "dots and spaces".
size_t TrailingDotsAndSpaces(const Text &name);
std::string TrailingWords(const Text &name);
Text WithoutTrailing(const Text &name);

// What makes a name miss the file it means, where the check can tell: dots or spaces at its
// end, a space at its start, or a non-breaking space for a space.
enum class Cause { kNone, kTrailing, kLeadingSpace, kNonBreakingSpace };
// The cause of name missing the file found in its place (a path relative to the card); for
// a name that ends in dots or spaces, that is the cause whatever was found.
Cause CauseOf(const Text &name, const Text &found);
// "the entry ends with a space", "... starts with a space", "... holds a non-breaking space".
std::string CauseWords(Cause cause, const Text &name);
// A name without its spaces, non-breaking ones among them.
Text WithoutSpaces(Text name);

// A line that a person meant as a comment: it starts with ";", "#", "//" or "REM ".
bool LooksLikeComment(const Text &entry);

// An entry as the installer reads its arguments: the package path ends at the entry's first
// double quote, and the rest, up to the program's own closing quote, comes as switches.
struct InstallerView {
    Text package;                  // the entry up to its quote, or all of it
    std::optional<Text> switches;  // with a quote: what follows it, and the closing quote
    bool keepsPackage = false;     // "/delete 0" is among those switches
};
InstallerView AsInstallerReads(const Text &entry);

// The rest of an entry that starts with the device folder itself ("\Storage Card\x.cab"
// for the folder "\Storage Card"), or nothing.
std::optional<Text> AfterDeviceFolder(const Text &entry, const Text &deviceDir);

// A name relative to the card folder, folded, its empty parts (of a leading or doubled
// backslash) left out: two entries that give the same reach the same file.
Text FoldedRelative(const Text &name);
// The last part of a name relative to the card folder, and what comes before it.
Text LastPart(const Text &name);
Text FolderPart(const Text &name);

}  // namespace check
