// The least any batch installer must do: start the installer 60 times, one after the
// other, and wait for each. The program's own run is measured against this.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    for (int i = 0; i < 60; i++) {
        wchar_t arguments[] = L" /noui /pbar \"C:\\Storage Card\\Install\\p.cab\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        if (!CreateProcessW(L"\\windows\\wceload.exe", arguments, nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &startup, &process))
            return 2;
        CloseHandle(process.hThread);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
    }
    return 0;
}
