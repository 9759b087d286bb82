// Text as the card check shows it: UTF-8 in and out, strict JSON strings, and the one
// escaping that every outside text goes through before it reaches a terminal.
#pragma once

#include <optional>
#include <string>

#include "platform/desktop/desktop.h"

namespace check {

using desktop::Text;

std::string ToUtf8(const Text &text);     // a lone surrogate becomes U+FFFD
Text FromUtf8(const std::string &bytes);  // an invalid byte becomes U+FFFD
// False for bytes that are not UTF-8 (which then name no file the device could hold).
bool DecodeUtf8Name(const std::string &bytes, Text *text);
bool HasLoneSurrogate(const Text &text);
// Bytes in one of the device's ANSI code pages.
Text FromCodePage(const std::string &bytes, int codePage);

// Text for a terminal, one to one: "<" doubles, and everything a terminal would act on
// (C0, DEL, C1, the bidi and line-separator marks) and every lone surrogate is spelt out
// as <TAB>, <CR>, <LF> or <U+XXXX>. From bytes, an invalid byte shows as <0xXX>.
std::string Shown(const Text &text);
std::string ShownBytes(const std::string &bytes);
// The same inside double quotes, so that spaces at either end show.
std::string Quoted(const Text &text);

// A whole number in decimal digits alone (leading zeros allowed), at most 0xFFFFFFFF and at
// most ten digits; nothing for any other text.
std::optional<unsigned long> WholeNumber(const std::string &digits);
std::optional<unsigned long> WholeNumber(const Text &digits);

// A 16-bit number as four hex digits: "0x01c0".
std::string Hex4(unsigned value);

// A strict JSON string (RFC 8259, I-JSON): UTF-8, with a lone surrogate as U+FFFD.
std::string Json(const Text &text);
std::string Json(const std::string &utf8);
void AppendJson(std::string &out, const Text &text);
void AppendJson(std::string &out, const std::string &utf8);

}  // namespace check
