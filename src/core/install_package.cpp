/* Package installation: the platform's installer is started for one list entry and
 * waited for, so that installations never overlap. */
#include "batch.h"

static const wchar_t kInstallerPath[] = L"\\windows\\wceload.exe";

void InstallPackage(const wchar_t *ownDirectory, const wchar_t *entry)
{
    wchar_t arguments[kArgumentsCapacity];
    /* A package path that does not fit is skipped: a cut one would install another file. */
    if (FormatInstallArguments(ownDirectory, entry, arguments) != kOk)
        return;
    PlatformStarted started;
    if (PlatformStartProcess(kInstallerPath, arguments, &started) != kOk)
        return;
    PlatformCloseHandle(started.thread);
    PlatformWaitForProcess(started.process);
    PlatformCloseHandle(started.process);
}
