/* The device's install list file: named for the running OS version in the own directory,
 * opened for the run, and deleted once the run has gone through it. */
#include "batch.h"

int OpenInstallList(const wchar_t *ownDirectory, wchar_t *listPath, InstallList *list)
{
    unsigned long majorVersion;
    /* Without a version there is no list name to trust: never guess one. */
    if (!PlatformGetMajorVersion(&majorVersion))
        return 1;
    if (FormatListPath(ownDirectory, majorVersion, listPath) != 0)
        return 1;
    PlatformHandle file = PlatformOpenFile(listPath);
    if (file == NULL)
        return 1;
    BeginInstallList(list, file);
    return 0;
}

void FinishInstallList(InstallList *list, const wchar_t *listPath)
{
    PlatformCloseFile(list->file);
    PlatformDeleteFile(listPath);
}
