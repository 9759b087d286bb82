// UTF-8, as the card check holds text, to and from the UTF-16 of Windows' wide calls.
#pragma once

#include <string>

namespace desktop {

std::string Utf8(const std::wstring &text);
std::wstring Wide(const std::string &utf8);

}  // namespace desktop
