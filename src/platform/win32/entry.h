/* What the program's entry point needs of Windows: the types of WinMain's arguments. */
#ifndef CABBATCH_WIN32_ENTRY_H
#define CABBATCH_WIN32_ENTRY_H

#include <windows.h>

#ifdef UNDER_CE
/* The device's start-up hands WinMain a wide command line. */
typedef LPWSTR WinMainCommandLine;
#else
typedef LPSTR WinMainCommandLine;
#endif

#endif
