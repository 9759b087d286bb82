/* The device's install list file: named for the running OS version in the own directory,
 * opened for the run, and deleted once the run has gone through it. */
#include "batch.h"

Status OpenInstallList(const wchar_t *ownDirectory, wchar_t *listPath, InstallList *list)
{
    unsigned long majorVersion;
    PlatformHandle file;
    /* Without a version there is no list name to trust: never guess one. */
    if (PlatformGetMajorVersion(&majorVersion) != kOk
        || FormatListPath(ownDirectory, majorVersion, listPath) != kOk
        || PlatformOpenFile(listPath, &file) != kOk)
        return kFailed;
    BeginInstallList(list, file, kSystemCodePage);
    return kOk;
}

void FinishInstallList(InstallList *list, const wchar_t *listPath)
{
    PlatformCloseFile(list->file);
    PlatformDeleteFile(listPath);
}
