/* The install list: named for the running OS version, read one entry per line in the
 * encodings a desktop editor saves, and deleted once the run has gone through it. */
#include "batch.h"

/* Outcome of collecting the next line's bytes or UTF-16 units. */
enum LineRead { kNoLine, kLine, kLongLine };

int FormatListPath(const wchar_t *ownDirectory, unsigned long majorVersion, wchar_t *listPath)
{
    int length = 0;
    listPath[0] = L'\0';
    if (AppendText(listPath, kListPathCapacity, &length, ownDirectory) != 0
        || AppendText(listPath, kListPathCapacity, &length, L"\\SetupFile.CE") != 0
        || AppendDecimal(listPath, kListPathCapacity, &length, majorVersion) != 0
        || AppendText(listPath, kListPathCapacity, &length, L".txt") != 0)
        return 1;
    return 0;
}

/* Reads more of the file behind the bytes held; 0 once nothing more comes. */
static int ReadMore(InstallList *list)
{
    if (list->atEnd)
        return 0;
    if (list->next == list->filled)
        list->next = list->filled = 0;
    int count = PlatformReadFile(list->file, list->chunk + list->filled,
                                 kListChunkBytes - list->filled);
    if (count > 0) {
        list->filled += count;
        return 1;
    }
    list->atEnd = 1;
    list->readFailed = count < 0;
    return 0;
}

static int NextByte(InstallList *list)
{
    if (list->next == list->filled && !ReadMore(list))
        return -1;
    return list->chunk[list->next++];
}

/* The next byte, or UTF-16LE code unit; -1 at the end. A lone last byte of a
 * UTF-16 file completes no unit and is dropped. */
static int NextUnit(InstallList *list)
{
    int low = NextByte(list);
    if (list->encoding == kListBytes || low < 0)
        return low;
    int high = NextByte(list);
    return high < 0 ? -1 : (low | high << 8);
}

static int StartsWith(const InstallList *list, const unsigned char *mark, int length)
{
    return list->filled >= length && memcmp(list->chunk, mark, length) == 0;
}

/* A file saved as "Unicode" starts with FF FE and is read as UTF-16LE; the mark a
 * file saved as UTF-8 starts with is dropped, and its lines are decoded one by one. */
static void SkipByteOrderMark(InstallList *list)
{
    static const unsigned char kUtf16Mark[] = { 0xFF, 0xFE };
    static const unsigned char kUtf8Mark[] = { 0xEF, 0xBB, 0xBF };
    while (list->filled < 3 && ReadMore(list)) {
    }
    list->encoding = kListBytes;
    if (StartsWith(list, kUtf16Mark, 2)) {
        list->encoding = kListUtf16;
        list->next = 2;
    } else if (StartsWith(list, kUtf8Mark, 3)) {
        list->next = 3;
    }
}

int OpenInstallList(const wchar_t *ownDirectory, wchar_t *listPath, InstallList *list)
{
    unsigned long majorVersion;
    /* Without a version there is no list name to trust: never guess one. */
    if (!PlatformGetMajorVersion(&majorVersion))
        return 1;
    if (FormatListPath(ownDirectory, majorVersion, listPath) != 0)
        return 1;
    list->file = PlatformOpenFile(listPath);
    if (list->file == NULL)
        return 1;
    list->readFailed = list->atEnd = list->next = list->filled = 0;
    SkipByteOrderMark(list);
    return 0;
}

/* Collects the next line without its break: UTF-16 units straight into line, bytes into
 * list->lineBytes. Only LF or CR LF ends a line. A line cut short by a read error is
 * dropped, since it would name the wrong file. */
static LineRead ReadRawLine(InstallList *list, wchar_t *line)
{
    int utf16 = list->encoding == kListUtf16;
    int capacity = utf16 ? kLineCapacity - 1 : kLineBytesCapacity;
    int length = 0, tooLong = 0, previous = 0, unit;
    while ((unit = NextUnit(list)) >= 0 && unit != '\n') {
        if (length == capacity) {
            tooLong = 1;
            continue;
        }
        if (utf16)
            line[length] = (wchar_t)unit;
        else
            list->lineBytes[length] = (unsigned char)unit;
        length++;
        previous = unit;
    }
    if (list->readFailed || (unit < 0 && length == 0 && !tooLong))
        return kNoLine;
    if (unit == '\n' && previous == '\r')
        length--;
    list->lineLength = length;
    return tooLong ? kLongLine : kLine;
}

/* Turns the collected line into a terminated entry in line; 1 when it cannot name a
 * file: too long for the line buffer, or holding a NUL character. */
static int DecodeLine(InstallList *list, wchar_t *line)
{
    int length = list->lineLength;
    if (list->encoding == kListBytes) {
        length = DecodeUtf8(list->lineBytes, list->lineLength, line, kMaxEntryLength);
        if (length == kNotUtf8)
            length = PlatformDecodeAnsi(list->lineBytes, list->lineLength, line,
                                        kMaxEntryLength);
    }
    if (length < 0 || length > kMaxEntryLength)
        return 1;
    line[length] = L'\0';
    return (int)wcslen(line) != length;
}

static int IsBlank(const wchar_t *entry)
{
    while (*entry == L' ' || *entry == L'\t')
        entry++;
    return *entry == L'\0';
}

const wchar_t *ReadListEntry(InstallList *list, wchar_t *line)
{
    for (;;) {
        LineRead read = ReadRawLine(list, line);
        if (read == kNoLine)
            return NULL;
        /* A blank line would start the installer on the own directory itself. */
        if (read == kLine && DecodeLine(list, line) == 0 && !IsBlank(line))
            return line;
    }
}

void FinishInstallList(InstallList *list, const wchar_t *listPath)
{
    PlatformCloseFile(list->file);
    PlatformDeleteFile(listPath);
}
