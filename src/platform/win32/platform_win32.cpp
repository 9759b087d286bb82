/* The platform calls on Windows: on the device (Windows CE 6 and later, where the
 * compiler defines UNDER_CE) and on desktop Windows, where the program runs under Wine. */
#include <windows.h>

#include "../platform.h"

Status PlatformGetModulePath(wchar_t *path, int capacity, int *length)
{
    *length = (int)GetModuleFileNameW(NULL, path, (DWORD)capacity);
    return *length > 0 ? kOk : kFailed;
}

Status PlatformGetMajorVersion(unsigned long *major)
{
    OSVERSIONINFOW version;
    version.dwOSVersionInfoSize = sizeof version; /* 276 */
    if (!GetVersionExW(&version))
        return kFailed;
    *major = version.dwMajorVersion;
    return kOk;
}

/* The list is read as raw bytes and decoded by the core: the runtime's text-mode
 * streams would decode it through the ANSI code page and keep any byte-order mark. */
Status PlatformOpenFile(const wchar_t *path, PlatformHandle *file)
{
    HANDLE opened = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (opened == INVALID_HANDLE_VALUE)
        return kFailed;
    *file = opened;
    return kOk;
}

Status PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity, int *count)
{
    DWORD read;
    if (!ReadFile(file, bytes, (DWORD)capacity, &read, NULL))
        return kFailed;
    *count = (int)read;
    return kOk;
}

void PlatformCloseFile(PlatformHandle file)
{
    CloseHandle(file);
}

void PlatformDeleteFile(const wchar_t *path)
{
    DeleteFileW(path);
}

/* The program decodes in the system's own code page, whichever it is asked for: on the
 * device that is the only one there is. MultiByteToWideChar takes no empty text, and the core
 * never asks for one: empty bytes are UTF-8. */
Status PlatformDecodeAnsi(int, const unsigned char *bytes, int count, wchar_t *wide,
                          int capacity, int *length)
{
    *length = MultiByteToWideChar(CP_ACP, 0, (LPCSTR)bytes, count, wide, capacity);
    return *length > 0 ? kOk : kFailed;
}

Status PlatformStartProcess(const wchar_t *application, wchar_t *arguments,
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
        return kFailed;
    started->process = info.hProcess;
    started->thread = info.hThread;
    return kOk;
}

void PlatformWaitForProcess(PlatformHandle process)
{
    WaitForSingleObject(process, INFINITE);
}

void PlatformCloseHandle(PlatformHandle handle)
{
    CloseHandle(handle);
}
