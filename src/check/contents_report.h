// What a package puts on the device, as the plain report tells it and as the JSON gives it.
// Every text from the package is a name of the phrases (phrase.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contents.h"
#include "phrase.h"

namespace check {

// "installs 6 files (412 KB) into \Program Files\Funk and \Windows; 5 registry values; 1 shortcut"
Phrase ContentsLine(const Contents &contents);
// A package whose document only configures the device: "a configuration package: it
// installs no files (CertificateStore)".
Phrase ConfigurationText(const Contents &contents);
// Each file, registry value and shortcut, a line each.
std::vector<Phrase> ContentsListing(const Contents &contents);
// The "contents" object of a package's JSON.
std::string JsonContents(const Contents &contents);
std::string SizeText(std::uint64_t bytes);  // "412 bytes", "12 KB", "1.5 MB"

}  // namespace check
