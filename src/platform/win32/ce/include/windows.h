/* What the program needs of the device SDK's <windows.h>, for the build with GNU tools,
 * where there is no SDK: the types, constants and COREDLL calls that the Win32 layer and the
 * start-up use, declared as Windows CE declares them. The Visual C++ build uses the SDK's
 * own header instead. */
#ifndef CABBATCH_CE_WINDOWS_H
#define CABBATCH_CE_WINDOWS_H

#include <stddef.h>
#include <string.h>
#include <wchar.h>

/* ARM has one calling convention: the x86 ones mean nothing here. */
#define WINAPI

typedef int BOOL;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef void *HANDLE;
typedef HANDLE HINSTANCE;
typedef const char *LPCSTR;
typedef wchar_t WCHAR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;

#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE ((HANDLE)-1)
#define INFINITE 0xFFFFFFFFul
#define CP_ACP 0
#define GENERIC_READ 0x80000000ul
#define FILE_SHARE_READ 0x00000001ul
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_NORMAL 0x00000080ul

typedef struct _OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
} OSVERSIONINFOW;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION;

/* Every COREDLL call goes through its import address slot, as the SDK's dllimport
 * declarations make Visual C++ do: the call then ends in BX, which enters the routine in
 * ARM or Thumb state, whichever the device's COREDLL was built in. The import library's
 * own stubs end in LDR PC, which ARMv4T cores take in ARM state only. */
#define CABBATCH_COREDLL_CALL(result, name, parameters, arguments) \
    extern "C" result (*__imp_##name) parameters; \
    static inline result name parameters { return __imp_##name arguments; }

CABBATCH_COREDLL_CALL(DWORD, GetModuleFileNameW, (HINSTANCE module, LPWSTR path, DWORD capacity),
                      (module, path, capacity))
CABBATCH_COREDLL_CALL(BOOL, GetVersionExW, (OSVERSIONINFOW *version), (version))
CABBATCH_COREDLL_CALL(HANDLE, CreateFileW,
                      (LPCWSTR path, DWORD access, DWORD share, void *security,
                       DWORD disposition, DWORD attributes, HANDLE templateFile),
                      (path, access, share, security, disposition, attributes, templateFile))
CABBATCH_COREDLL_CALL(BOOL, ReadFile,
                      (HANDLE file, void *bytes, DWORD count, DWORD *read, void *overlapped),
                      (file, bytes, count, read, overlapped))
CABBATCH_COREDLL_CALL(BOOL, CloseHandle, (HANDLE handle), (handle))
CABBATCH_COREDLL_CALL(BOOL, DeleteFileW, (LPCWSTR path), (path))
CABBATCH_COREDLL_CALL(int, MultiByteToWideChar,
                      (UINT codePage, DWORD flags, LPCSTR bytes, int count, LPWSTR wide,
                       int capacity),
                      (codePage, flags, bytes, count, wide, capacity))
/* The device takes no current directory and no start-up record: both must be null. */
CABBATCH_COREDLL_CALL(BOOL, CreateProcessW,
                      (LPCWSTR application, LPWSTR arguments, void *processSecurity,
                       void *threadSecurity, BOOL inheritHandles, DWORD flags,
                       void *environment, LPCWSTR currentDirectory, void *startup,
                       PROCESS_INFORMATION *info),
                      (application, arguments, processSecurity, threadSecurity,
                       inheritHandles, flags, environment, currentDirectory, startup, info))
CABBATCH_COREDLL_CALL(DWORD, WaitForSingleObject, (HANDLE handle, DWORD milliseconds),
                      (handle, milliseconds))
CABBATCH_COREDLL_CALL(BOOL, TerminateProcess, (HANDLE process, UINT exitCode),
                      (process, exitCode))

extern "C" int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine,
                              int show);

#endif
