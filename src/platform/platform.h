/* The seam between the batch-install core and the operating system.
 * Each platform folder implements these calls; the core reaches the OS through nothing else.
 *
 * How every call of the core and of this seam answers, in one convention:
 * - a call that acts and may fail answers with a Status: kOk (0), or kFailed (1) when it did
 *   not do what it was asked; what it makes comes back through its pointers. One that may fail
 *   in more ways than one has a status of its own, whose success is 0 too;
 * - a call that looks for something answers with what it found: a pointer, null for none, or
 *   a count, kNotFound for none;
 * - a call that releases or cleans up answers with nothing: its result would not be looked at.
 * The platform's own calls answer in theirs (non-zero for success, mostly); each platform
 * folder turns that into this one. */
#ifndef CABBATCH_PLATFORM_H
#define CABBATCH_PLATFORM_H

#include <stddef.h>
#include <string.h>
#include <wchar.h>

enum Status { kOk = 0, kFailed = 1 };
enum { kNotFound = -1 };

/* An open file, process or thread; null means none. */
typedef void *PlatformHandle;

/* What a successful start hands back; both handles belong to the caller. */
struct PlatformStarted {
    PlatformHandle process;
    PlatformHandle thread;
};

/* Full path of the running executable into path[capacity], with *length its number of
 * characters without the terminator. A *length of capacity or more means the path was cut
 * and may lack its terminator. */
Status PlatformGetModulePath(wchar_t *path, int capacity, int *length);

/* The operating system's major version. */
Status PlatformGetMajorVersion(unsigned long *major);

/* Opens a file for reading; kFailed when it is absent or cannot be opened. */
Status PlatformOpenFile(const wchar_t *path, PlatformHandle *file);

/* Reads up to capacity bytes; *count is 0 at the end of the file. */
Status PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity, int *count);

void PlatformCloseFile(PlatformHandle file);
void PlatformDeleteFile(const wchar_t *path);

/* The code page of the system the program runs on: the device's own ANSI code page. */
enum { kSystemCodePage = 0 };

/* Decodes count (at least 1) bytes in an ANSI code page into wide[capacity] without a
 * terminator, *length wide characters; kFailed when they do not fit or cannot be decoded. The device's platform always
 * decodes in its own code page; the desktop's in the one the card check was given. */
Status PlatformDecodeAnsi(int codePage, const unsigned char *bytes, int count, wchar_t *wide,
                          int capacity, int *length);

/* Starts application with arguments (the arguments alone, not the program's name), with
 * both handles of the new process in *started. */
Status PlatformStartProcess(const wchar_t *application, wchar_t *arguments,
                            PlatformStarted *started);

/* Blocks until the process has ended, without a time limit. */
void PlatformWaitForProcess(PlatformHandle process);

void PlatformCloseHandle(PlatformHandle handle);

#endif
