/* The batch run: own directory, install list and package installation.
 * Plain routines over fixed-capacity wide strings; every string lives on the run's stack. */
#ifndef CABBATCH_BATCH_H
#define CABBATCH_BATCH_H

#include "platform/platform.h"

enum {
    kModulePathCapacity = 260,   /* MAX_PATH */
    kOwnDirectoryCapacity = 260,
    kListPathCapacity = 128,
    kLineCapacity = 128,         /* an entry and its line break, plus the terminator */
    kMaxEntryLength = kLineCapacity - 2,
    kArgumentsCapacity = 128,
    kListChunkBytes = 256,
    /* Each UTF-16 unit of an entry comes from at most three bytes of UTF-8, or two of any
     * ANSI code page, so a longer line can never make an entry; one more byte holds the
     * CR of a CR LF. */
    kLineBytesCapacity = 3 * kMaxEntryLength + 1
};

/* Byte encodings an install list can be read in: bytes (each line UTF-8 when it is valid
 * UTF-8, else the ANSI code page), the same behind a UTF-8 byte-order mark, or UTF-16LE
 * behind its byte-order mark. */
enum ListEncoding { kListBytes, kListUtf8Mark, kListUtf16 };

/* What one line of an install list becomes. */
enum LineOutcome {
    kLineEntry,      /* names a package */
    kLineBlank,      /* empty, or only spaces, tabs and carriage returns */
    kLineNul,        /* holds a NUL character */
    kLineTooLong,    /* more than kMaxEntryLength characters once decoded */
    kLineReadError   /* cut short by a read error, which also ends the list */
};

struct ListLine {
    int number;                             /* from 1, as an editor numbers lines */
    LineOutcome outcome;
};

/* An install list open for reading, with the bytes read ahead of the current line. */
struct InstallList {
    PlatformHandle file;
    ListEncoding encoding;
    int codePage;                           /* for lines that are not UTF-8 */
    Status lastRead;                        /* kFailed from a failed read until it is told */
    int atEnd;
    int linesRead;
    int next;                               /* chunk[next..filled) is read but not used */
    int filled;
    unsigned char chunk[kListChunkBytes];
    int lineLength;                         /* of the line collected last */
    unsigned char lineBytes[kLineBytesCapacity];
};

/* Every call below answers as platform.h says. */

/* The batch run: one per start of the program. */
void InstallSetupFiles();
/* The directory of the running executable, without a trailing backslash, into
 * ownDirectory[kOwnDirectoryCapacity]; kFailed, the buffer untouched, when the platform
 * gives no path or one without a backslash. */
Status GetModuleDirectory(wchar_t *ownDirectory);
/* The number of characters after the last backslash of text (0 when it ends in one), or
 * kNotFound for a null or empty text or one without a backslash. */
int FindLastBackslash(const wchar_t *text);

/* Names the list for the running major version in the own directory into
 * listPath[kListPathCapacity] and opens it; kFailed when there is none to open. */
Status OpenInstallList(const wchar_t *ownDirectory, wchar_t *listPath, InstallList *list);
/* Starts reading an open list file: finds its encoding from its byte-order mark. Lines that
 * are not UTF-8 are decoded in codePage (kSystemCodePage on the device). */
void BeginInstallList(InstallList *list, PlatformHandle file, int codePage);
/* Reads and classifies the next line into *read, or null once there is none. For kLineEntry
 * the entry is in line, terminated. Every line of the file is reported, the device skips all
 * but entries. */
const ListLine *ReadListLine(InstallList *list, wchar_t *line, ListLine *read);
/* The next entry (in line), or null at the end of the list. */
const wchar_t *ReadListEntry(InstallList *list, wchar_t *line);
/* Closes the list and deletes its file; neither result is looked at. */
void FinishInstallList(InstallList *list, const wchar_t *listPath);

/* The list's name: kListNameStart, the major version in decimal, kListNameEnd. */
extern const wchar_t kListNameStart[];       /* "SetupFile.CE" */
extern const wchar_t kListNameEnd[];         /* ".txt" */
/* The installer's arguments: kInstallerSwitches, then the package path in double quotes. */
extern const wchar_t kInstallerSwitches[];   /* " /noui /pbar " */

/* The list's path in the own directory into listPath[kListPathCapacity]; kFailed when it
 * does not fit. */
Status FormatListPath(const wchar_t *ownDirectory, unsigned long majorVersion, wchar_t *listPath);
/* The installer's argument string for an entry into arguments[kArgumentsCapacity]; kFailed
 * when it does not fit. */
Status FormatInstallArguments(const wchar_t *ownDirectory, const wchar_t *entry,
                              wchar_t *arguments);
/* Starts the installer for an entry and waits for it to end; an entry whose arguments do
 * not fit, or whose installer cannot be started, is skipped. */
void InstallPackage(const wchar_t *ownDirectory, const wchar_t *entry);

/* Bounded text building at target[*length]: each answers kFailed, without writing anything,
 * when the text would not fit target[capacity] with its terminator. */
Status AppendText(wchar_t *target, int capacity, int *length, const wchar_t *text);
Status AppendDecimal(wchar_t *target, int capacity, int *length, unsigned long value);
/* The package path an entry names: the own directory, a backslash and the entry unchanged
 * (so an entry that starts with a backslash gives a doubled one). */
Status AppendPackagePath(wchar_t *target, int capacity, int *length,
                         const wchar_t *ownDirectory, const wchar_t *entry);

/* The length in bytes of the UTF-8 sequence that bytes[count] starts with, *codePoint set; or
 * kNotFound when it is malformed, cut short, overlong, a surrogate or beyond U+10FFFF. */
int ReadUtf8Sequence(const unsigned char *bytes, int count, unsigned long *codePoint);
/* Decodes UTF-8 bytes into wide[capacity] (UTF-16, no terminator), *length wide characters. */
enum DecodeStatus { kDecoded = kOk, kNotUtf8, kDoesNotFit };
DecodeStatus DecodeUtf8(const unsigned char *bytes, int count, wchar_t *wide, int capacity,
                        int *length);

#endif
