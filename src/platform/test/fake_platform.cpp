// The test platform behind the seam: serves files from memory and records each call.
#include "fake_platform.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/platform.h"

FakePlatform fake;

bool FakePlatform::Fails(const std::string &operation)
{
    int n = ++callCounts[operation];
    return failures.count({operation, 0}) || failures.count({operation, n});
}

std::vector<std::wstring> FakePlatform::CallsWithoutReads() const
{
    std::vector<std::wstring> kept;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(kept),
                 [](const std::wstring &call) { return call != L"read"; });
    return kept;
}

static PlatformHandle AsHandle(int id) { return reinterpret_cast<PlatformHandle>(intptr_t(id)); }
static int AsId(PlatformHandle handle) { return int(reinterpret_cast<intptr_t>(handle)); }

static int NewHandle()
{
    fake.liveHandles.insert(fake.nextHandle);
    return fake.nextHandle++;
}

int PlatformGetModulePath(wchar_t *path, int capacity)
{
    fake.calls.push_back(L"module");
    if (fake.Fails("module"))
        return 0;
    // Like the platform: a path that does not fit is cut to the buffer and left unterminated.
    int length = int(fake.modulePath.size());
    std::copy_n(fake.modulePath.begin(), std::min(length, capacity), path);
    if (length < capacity)
        path[length] = L'\0';
    return std::min(length, capacity);
}

int PlatformGetMajorVersion(unsigned long *major)
{
    fake.calls.push_back(L"version");
    if (fake.Fails("version"))
        return 0;
    *major = fake.majorVersion;
    return 1;
}

PlatformHandle PlatformOpenFile(const wchar_t *path)
{
    fake.calls.push_back(std::wstring(L"open ") + path);
    if (fake.Fails("open") || !fake.files.count(path))
        return nullptr;
    int id = NewHandle();
    fake.openFiles[id] = path;
    fake.readPositions[id] = 0;
    return AsHandle(id);
}

int PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity)
{
    fake.calls.push_back(L"read");
    if (fake.Fails("read"))
        return -1;
    const std::string &content = fake.files.at(fake.openFiles.at(AsId(file)));
    size_t &position = fake.readPositions[AsId(file)];
    size_t count = std::min({fake.readLimit, size_t(capacity), content.size() - position});
    std::copy_n(content.begin() + position, count, bytes);
    position += count;
    return int(count);
}

void PlatformCloseFile(PlatformHandle file)
{
    fake.calls.push_back(L"close file");
    if (!fake.Fails("close"))
        fake.liveHandles.erase(AsId(file));
}

void PlatformDeleteFile(const wchar_t *path)
{
    fake.calls.push_back(std::wstring(L"delete ") + path);
    if (!fake.Fails("delete"))
        fake.files.erase(path);
}

// The test platform's ANSI code page is Latin-1.
int PlatformDecodeAnsi(const unsigned char *bytes, int count, wchar_t *wide, int capacity)
{
    fake.calls.push_back(L"ansi");
    if (fake.Fails("ansi") || count > capacity)
        return -1;
    std::copy_n(bytes, count, wide);
    return count;
}

int PlatformStartProcess(const wchar_t *application, wchar_t *arguments,
                         PlatformStarted *started)
{
    fake.calls.push_back(std::wstring(L"start ") + application + L"|" + arguments);
    size_t index = fake.callCounts["start"];
    bool outcome = index >= fake.startOutcomes.size() || fake.startOutcomes[index];
    if (fake.Fails("start") || !outcome)
        return 0;
    started->process = AsHandle(NewHandle());
    started->thread = AsHandle(NewHandle());
    return 1;
}

void PlatformWaitForProcess(PlatformHandle process)
{
    fake.calls.push_back(L"wait " + std::to_wstring(AsId(process)));
    fake.Fails("wait");
}

void PlatformCloseHandle(PlatformHandle handle)
{
    fake.calls.push_back(L"close " + std::to_wstring(AsId(handle)));
    if (!fake.Fails("close"))
        fake.liveHandles.erase(AsId(handle));
}
