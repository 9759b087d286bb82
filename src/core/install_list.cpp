/* Reading the install list: each line of the encodings a desktop editor saves is numbered
 * and classified, so the device installs the entries and the card check reports them all. */
#include "batch.h"

/* Outcome of collecting the next line's bytes or UTF-16 units. */
enum LineRead { kNoLine, kLine, kLongLine, kCutLine };

/* Reads more of the file behind the bytes held; 0 once nothing more comes. */
static int ReadMore(InstallList *list)
{
    if (list->atEnd)
        return 0;
    if (list->next == list->filled)
        list->next = list->filled = 0;
    int count;
    Status read = PlatformReadFile(list->file, list->chunk + list->filled,
                                   kListChunkBytes - list->filled, &count);
    if (read == kOk && count > 0) {
        list->filled += count;
        return 1;
    }
    list->atEnd = 1;
    list->lastRead = read;
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
    if (list->encoding != kListUtf16 || low < 0)
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
void BeginInstallList(InstallList *list, PlatformHandle file, int codePage)
{
    static const unsigned char kUtf16Mark[] = { 0xFF, 0xFE };
    static const unsigned char kUtf8Mark[] = { 0xEF, 0xBB, 0xBF };
    list->file = file;
    list->codePage = codePage;
    list->lastRead = kOk;
    list->atEnd = list->next = list->filled = list->linesRead = 0;
    while (list->filled < 3 && ReadMore(list)) {
    }
    list->encoding = kListBytes;
    if (StartsWith(list, kUtf16Mark, 2)) {
        list->encoding = kListUtf16;
        list->next = 2;
    } else if (StartsWith(list, kUtf8Mark, 3)) {
        list->encoding = kListUtf8Mark;
        list->next = 3;
    }
}

/* Collects the next line without its break: UTF-16 units straight into line, bytes into
 * list->lineBytes. Only LF or CR LF ends a line. */
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
    if (list->lastRead != kOk) {
        /* Reported once; nothing more is read after it. */
        list->lastRead = kOk;
        return kCutLine;
    }
    if (unit < 0 && length == 0 && !tooLong)
        return kNoLine;
    if (unit == '\n' && previous == '\r')
        length--;
    list->lineLength = length;
    return tooLong ? kLongLine : kLine;
}

/* Decodes the collected line into line, terminated; its outcome. */
static LineOutcome DecodeLine(InstallList *list, wchar_t *line)
{
    int length = list->lineLength;
    if (list->encoding != kListUtf16) {
        DecodeStatus decoded = DecodeUtf8(list->lineBytes, list->lineLength, line,
                                          kMaxEntryLength, &length);
        if (decoded == kDoesNotFit
            || (decoded == kNotUtf8
                && PlatformDecodeAnsi(list->codePage, list->lineBytes, list->lineLength, line,
                                      kMaxEntryLength, &length) != kOk))
            return kLineTooLong;
    }
    if (length > kMaxEntryLength)
        return kLineTooLong;
    line[length] = L'\0';
    return (int)wcslen(line) != length ? kLineNul : kLineEntry;
}

/* A blank line would start the installer on the own directory itself. */
static int IsBlank(const wchar_t *entry)
{
    while (*entry == L' ' || *entry == L'\t' || *entry == L'\r')
        entry++;
    return *entry == L'\0';
}

const ListLine *ReadListLine(InstallList *list, wchar_t *line, ListLine *read)
{
    LineRead raw = ReadRawLine(list, line);
    if (raw == kNoLine)
        return NULL;
    read->number = ++list->linesRead;
    if (raw == kCutLine)  /* it would name the wrong file */
        read->outcome = kLineReadError;
    else if (raw == kLongLine)
        read->outcome = kLineTooLong;
    else
        read->outcome = DecodeLine(list, line);
    if (read->outcome == kLineEntry && IsBlank(line))
        read->outcome = kLineBlank;
    return read;
}

const wchar_t *ReadListEntry(InstallList *list, wchar_t *line)
{
    ListLine read;
    while (ReadListLine(list, line, &read) != NULL) {
        if (read.outcome == kLineEntry)
            return line;
    }
    return NULL;
}
