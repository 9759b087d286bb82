// Times the program's batch of 60 entries against the bare loop inside one Wine session,
// so that starting Wine itself is left out, alternating 3 runs of each. Writes one line
// per run, "<batch seconds> <bare loop seconds>", to C:\bench.txt.
#include <windows.h>

#include <cstdio>

static double Seconds(const wchar_t *program)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    wchar_t arguments[] = L"";
    if (!CreateProcessW(program, arguments, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

int main()
{
    const wchar_t *directory = L"C:\\Storage Card\\Install\\";
    wchar_t batch[MAX_PATH], bare[MAX_PATH], list[MAX_PATH], full[MAX_PATH];
    swprintf(batch, MAX_PATH, L"%lscabbatch.exe", directory);
    swprintf(bare, MAX_PATH, L"%lsbare_loop.exe", directory);
    swprintf(list, MAX_PATH, L"%lsSetupFile.CE6.txt", directory);
    swprintf(full, MAX_PATH, L"%lsfull-list.txt", directory);
    std::FILE *out = std::fopen("C:\\bench.txt", "w");
    Seconds(bare);  // warm up
    for (int run = 0; run < 3; run++) {
        CopyFileW(full, list, FALSE);
        double batchSeconds = Seconds(batch);
        bool listGone = GetFileAttributesW(list) == INVALID_FILE_ATTRIBUTES;
        std::fprintf(out, "%.4f %.4f %d\n", batchSeconds, Seconds(bare), listGone);
    }
    std::fclose(out);
    return 0;
}
