/* The one batch run a start of the program makes, and the lookup of the directory
 * that holds the program's own executable. */
#include "batch.h"

int FindLastBackslash(const wchar_t *text)
{
    if (text == NULL)
        return kNotFound;
    int length = (int)wcslen(text);
    for (int i = 0; i < length; i++) {
        if (text[length - 1 - i] == L'\\')
            return i;
    }
    return kNotFound;
}

Status GetModuleDirectory(wchar_t *ownDirectory)
{
    wchar_t modulePath[kModulePathCapacity];
    int length;
    /* A path that fills the whole buffer may have been cut, and some systems leave
     * it unterminated: either way it cannot be trusted. */
    if (PlatformGetModulePath(modulePath, kModulePathCapacity, &length) != kOk
        || length >= kModulePathCapacity)
        return kFailed;
    modulePath[length] = L'\0';
    int afterBackslash = FindLastBackslash(modulePath);
    if (afterBackslash == kNotFound)
        return kFailed;
    int directoryLength = length - afterBackslash - 1;
    memcpy(ownDirectory, modulePath, directoryLength * sizeof(wchar_t));
    ownDirectory[directoryLength] = L'\0';
    return kOk;
}

void InstallSetupFiles()
{
    wchar_t ownDirectory[kOwnDirectoryCapacity];
    if (GetModuleDirectory(ownDirectory) != kOk)
        return;

    wchar_t listPath[kListPathCapacity];
    InstallList list;
    if (OpenInstallList(ownDirectory, listPath, &list) != kOk)
        return;

    wchar_t line[kLineCapacity];
    const wchar_t *entry;
    while ((entry = ReadListEntry(&list, line)) != NULL)
        InstallPackage(ownDirectory, entry);

    FinishInstallList(&list, listPath);
}
