// Stands in for the device's package installer under Wine. Each start appends one line
// to C:\wceload.log: "1" if another instance was running, else "0", a space, and the
// command line it was given (UTF-8). CABBATCH_STANDIN_MS makes it take that long. Then it
// deletes the package it was given, as the device's installer does without "/delete 0".
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

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

    // The package is what the first pair of double quotes holds.
    const wchar_t *open = wcschr(GetCommandLineW(), L'"');
    const wchar_t *close = open != nullptr ? wcschr(open + 1, L'"') : nullptr;
    if (close != nullptr)
        DeleteFileW(std::wstring(open + 1, close).c_str());
    CloseHandle(running);
    return 0;
}
