/* The device program's start-up, for the build with GNU tools, which has no C runtime of
 * the device's: what the SDK's runtime start-up does for a program that uses nothing of the
 * runtime's own state. Windows CE enters an executable with WinMain's four arguments, and
 * its runtime ends the process with WinMain's result. */
#include <windows.h>

/* GetCurrentProcess() on the device: a pseudo-handle, not a call. */
static HANDLE const kCurrentProcess = (HANDLE)0x42;

extern "C" void WinMainCRTStartup(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine,
                                  int show)
{
    /* The SDK's ExitProcess is this very call. */
    TerminateProcess(kCurrentProcess, (UINT)WinMain(instance, previous, commandLine, show));
}
