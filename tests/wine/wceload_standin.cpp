// Stands in for the device's package installer under Wine. Each start appends one line
// to C:\wceload.log: "1" if another instance was running, else "0", a space, and the
// command line it was given (UTF-8). CABBATCH_STANDIN_MS makes it take that long. Then it
// deletes the package it was given, as the device's installer does without "/delete 0"; it
// reads its command line as the emulated device's stand-in does (scripts/ce_device.py).
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

// The package path is what the first double quote opens, up to the next one: an entry
// holding a quote ends it there. The switches are the words before and after it, split at
// ASCII white space, their quotes dropped; "/delete 0" among them (the switch in any ASCII
// case) keeps the package.
static bool KeepsPackage(std::wstring switches)
{
    switches.erase(std::remove(switches.begin(), switches.end(), L'"'), switches.end());
    std::vector<std::wstring> words(1);
    for (wchar_t c : switches) {
        if (c != L' ' && (c < L'\t' || c > L'\r'))
            words.back() += c < 0x80 ? wchar_t(std::towlower(c)) : c;
        else if (!words.back().empty())
            words.emplace_back();
    }
    for (size_t i = 0; i + 1 < words.size(); i++) {
        if (words[i] == L"/delete" && words[i + 1] == L"0")
            return true;
    }
    return false;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HANDLE running = CreateMutexW(nullptr, FALSE, L"cabbatch-wceload-standin");
    bool overlapped = GetLastError() == ERROR_ALREADY_EXISTS;
    if (const char *ms = std::getenv("CABBATCH_STANDIN_MS"))
        Sleep(std::atoi(ms));

    char line[4096] = {overlapped ? '1' : '0', ' '};
    int length = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, line + 2,
                                     sizeof line - 4, nullptr, nullptr);
    std::strcpy(line + 2 + (length > 0 ? length - 1 : 0), "\n");

    HANDLE log = CreateFileW(L"C:\\wceload.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    WriteFile(log, line, DWORD(std::strlen(line)), &written, nullptr);
    CloseHandle(log);

    const std::wstring arguments = GetCommandLineW();
    const size_t open = arguments.find(L'"');
    const size_t close = open == std::wstring::npos ? open : arguments.find(L'"', open + 1);
    std::wstring switches = arguments.substr(0, open) + L" ";
    if (close != std::wstring::npos)
        switches += arguments.substr(close + 1);
    if (open != std::wstring::npos && !KeepsPackage(switches))
        DeleteFileW(arguments.substr(open + 1, close == std::wstring::npos ? close : close - open - 1).c_str());
    CloseHandle(running);
    return 0;
}
