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
    const wchar_t *batch = L"C:\\Storage Card\\Install\\cabbatch.exe";
    const wchar_t *bare = L"C:\\Storage Card\\Install\\bare_loop.exe";
    const wchar_t *list = L"C:\\Storage Card\\Install\\SetupFile.CE6.txt";
    const wchar_t *full = L"C:\\Storage Card\\Install\\full-list.txt";
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
