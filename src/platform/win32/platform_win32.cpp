/* The platform calls on Windows: on the device (Windows CE 6 and later, where the
 * compiler defines UNDER_CE) and on desktop Windows, where the program runs under Wine. */
#include <windows.h>

#include "../platform.h"

int PlatformGetModulePath(wchar_t *path, int capacity)
{
    return (int)GetModuleFileNameW(NULL, path, (DWORD)capacity);
}

int PlatformGetMajorVersion(unsigned long *major)
{
    OSVERSIONINFOW version;
    version.dwOSVersionInfoSize = sizeof version; /* 276 */
    if (!GetVersionExW(&version))
        return 0;
    *major = version.dwMajorVersion;
    return 1;
}

/* The list is read as raw bytes and decoded by the core: the runtime's text-mode
 * streams would decode it through the ANSI code page and keep any byte-order mark. */
PlatformHandle PlatformOpenFile(const wchar_t *path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    return file == INVALID_HANDLE_VALUE ? NULL : file;
}

int PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity)
{
    DWORD count = 0;
    if (!ReadFile(file, bytes, (DWORD)capacity, &count, NULL))
        return -1;
    return (int)count;
}

void PlatformCloseFile(PlatformHandle file)
{
    CloseHandle(file);
}

void PlatformDeleteFile(const wchar_t *path)
{
    DeleteFileW(path);
}

int PlatformDecodeAnsi(const unsigned char *bytes, int count, wchar_t *wide, int capacity)
{
    if (count == 0)
        return 0;
    int length = MultiByteToWideChar(CP_ACP, 0, (LPCSTR)bytes, count, wide, capacity);
    return length > 0 ? length : -1;
}

int PlatformStartProcess(const wchar_t *application, wchar_t *arguments,
                         PlatformStarted *started)
{
    PROCESS_INFORMATION info;
    /* The command line holds only the arguments, as the device's installer expects;
     * with an application name given, desktop Windows passes it on unchanged too. */
#ifdef UNDER_CE
    /* The device takes no start-up record: it must be null. */
    BOOL ok = CreateProcessW(application, arguments, NULL, NULL, FALSE, 0, NULL, NULL, NULL,
                             &info);
#else
    /* Desktop Windows needs a start-up record; Wine crashes without one. */
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    BOOL ok = CreateProcessW(application, arguments, NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                             &info);
#endif
    if (!ok)
        return 0;
    started->process = info.hProcess;
    started->thread = info.hThread;
    return 1;
}

void PlatformWaitForProcess(PlatformHandle process)
{
    WaitForSingleObject(process, INFINITE);
}

void PlatformCloseHandle(PlatformHandle handle)
{
    CloseHandle(handle);
}
