/* The seam between the batch-install core and the operating system.
 * Each platform folder implements these calls; the core reaches the OS through nothing else. */
#ifndef CABBATCH_PLATFORM_H
#define CABBATCH_PLATFORM_H

#include <stddef.h>
#include <string.h>
#include <wchar.h>

/* An open file, process or thread; null means none. */
typedef void *PlatformHandle;

/* What a successful start hands back; both handles belong to the caller. */
struct PlatformStarted {
    PlatformHandle process;
    PlatformHandle thread;
};

/* Full path of the running executable into path[capacity]. Returns the number of
 * characters written without the terminator, 0 on failure; a result of capacity or
 * more means the path was cut and may lack its terminator. */
int PlatformGetModulePath(wchar_t *path, int capacity);

/* Non-zero on success, with *major set to the operating system's major version. */
int PlatformGetMajorVersion(unsigned long *major);

/* Opens a file for reading; null when it is absent or cannot be opened. */
PlatformHandle PlatformOpenFile(const wchar_t *path);

/* Reads up to capacity bytes: the count read, 0 at the end of the file, -1 on error. */
int PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity);

void PlatformCloseFile(PlatformHandle file);
void PlatformDeleteFile(const wchar_t *path);

/* Decodes bytes in the system's ANSI code page into wide[capacity] without a terminator.
 * Returns the number of wide characters, or -1 when they do not fit or cannot be decoded. */
int PlatformDecodeAnsi(const unsigned char *bytes, int count, wchar_t *wide, int capacity);

/* Starts application with arguments (the arguments alone, not the program's name).
 * Non-zero on success, with both handles of the new process in *started. */
int PlatformStartProcess(const wchar_t *application, wchar_t *arguments,
                         PlatformStarted *started);

/* Blocks until the process has ended, without a time limit. */
void PlatformWaitForProcess(PlatformHandle process);

void PlatformCloseHandle(PlatformHandle handle);

#endif
