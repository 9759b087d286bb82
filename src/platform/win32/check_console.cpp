// The card check's console on desktop Windows. The C runtime hands main() the arguments in
// the ANSI code page and writes bytes as they come, so both go through the wide calls.
#include <windows.h>
#include <shellapi.h>

#include "platform/desktop/desktop.h"

namespace desktop {

std::vector<std::string> Arguments(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; i++)
        arguments.push_back(ToUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

void Write(bool toStderr, const std::string &utf8)
{
    HANDLE out = GetStdHandle(toStderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode, written;
    if (GetConsoleMode(out, &mode)) {
        // A console shows UTF-16 right whatever its code page; a pipe or file gets UTF-8.
        Text text = FromUtf8(utf8);
        WriteConsoleW(out, text.data(), DWORD(text.size()), &written, nullptr);
    } else {
        WriteFile(out, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    }
}

}  // namespace desktop
