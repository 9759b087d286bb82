/* Package installation: the platform's installer is started for one list entry and
 * waited for, so that installations never overlap. */
#include "batch.h"

static const wchar_t kInstallerPath[] = L"\\windows\\wceload.exe";

int FormatInstallArguments(const wchar_t *ownDirectory, const wchar_t *entry,
                           wchar_t *arguments)
{
    int length = 0;
    arguments[0] = L'\0';
    if (AppendText(arguments, kArgumentsCapacity, &length, L" /noui /pbar \"") != 0
        || AppendText(arguments, kArgumentsCapacity, &length, ownDirectory) != 0
        || AppendText(arguments, kArgumentsCapacity, &length, L"\\") != 0
        || AppendText(arguments, kArgumentsCapacity, &length, entry) != 0
        || AppendText(arguments, kArgumentsCapacity, &length, L"\"") != 0)
        return 1;
    return 0;
}

void InstallPackage(const wchar_t *ownDirectory, const wchar_t *entry)
{
    wchar_t arguments[kArgumentsCapacity];
    /* A package path that does not fit is skipped: a cut one would install another file. */
    if (FormatInstallArguments(ownDirectory, entry, arguments) != 0)
        return;
    PlatformStarted started;
    if (!PlatformStartProcess(kInstallerPath, arguments, &started))
        return;
    PlatformCloseHandle(started.thread);
    PlatformWaitForProcess(started.process);
    PlatformCloseHandle(started.process);
}
