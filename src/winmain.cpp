/* The program's entry: one batch run per start, whatever the command line says, and
 * exit code 1 whatever the run did. */
#include "core/batch.h"
#include "platform/win32/entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, WinMainCommandLine, int)
{
    InstallSetupFiles();
    return 1;
}
