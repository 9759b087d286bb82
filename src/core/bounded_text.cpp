/* The list path and the installer's arguments, built bounded. A text that does not fit is
 * refused whole, never cut: a cut package name installs the wrong file. */
#include "batch.h"

Status AppendText(wchar_t *target, int capacity, int *length, const wchar_t *text)
{
    int textLength = (int)wcslen(text);
    if (textLength >= capacity - *length)
        return kFailed;
    memcpy(target + *length, text, textLength * sizeof(wchar_t));
    *length += textLength;
    target[*length] = L'\0';
    return kOk;
}

Status AppendDecimal(wchar_t *target, int capacity, int *length, unsigned long value)
{
    wchar_t digits[24];
    int first = (int)(sizeof digits / sizeof digits[0]) - 1;
    digits[first] = L'\0';
    do {
        digits[--first] = (wchar_t)(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return AppendText(target, capacity, length, digits + first);
}

const wchar_t kListNameStart[] = L"SetupFile.CE";
const wchar_t kListNameEnd[] = L".txt";
const wchar_t kInstallerSwitches[] = L" /noui /pbar ";

Status FormatListPath(const wchar_t *ownDirectory, unsigned long majorVersion, wchar_t *listPath)
{
    int length = 0;
    listPath[0] = L'\0';
    if (AppendText(listPath, kListPathCapacity, &length, ownDirectory) != kOk
        || AppendText(listPath, kListPathCapacity, &length, L"\\") != kOk
        || AppendText(listPath, kListPathCapacity, &length, kListNameStart) != kOk
        || AppendDecimal(listPath, kListPathCapacity, &length, majorVersion) != kOk
        || AppendText(listPath, kListPathCapacity, &length, kListNameEnd) != kOk)
        return kFailed;
    return kOk;
}

Status AppendPackagePath(wchar_t *target, int capacity, int *length,
                         const wchar_t *ownDirectory, const wchar_t *entry)
{
    if (AppendText(target, capacity, length, ownDirectory) != kOk
        || AppendText(target, capacity, length, L"\\") != kOk
        || AppendText(target, capacity, length, entry) != kOk)
        return kFailed;
    return kOk;
}

Status FormatInstallArguments(const wchar_t *ownDirectory, const wchar_t *entry,
                              wchar_t *arguments)
{
    int length = 0;
    arguments[0] = L'\0';
    if (AppendText(arguments, kArgumentsCapacity, &length, kInstallerSwitches) != kOk
        || AppendText(arguments, kArgumentsCapacity, &length, L"\"") != kOk
        || AppendPackagePath(arguments, kArgumentsCapacity, &length, ownDirectory, entry) != kOk
        || AppendText(arguments, kArgumentsCapacity, &length, L"\"") != kOk)
        return kFailed;
    return kOk;
}
