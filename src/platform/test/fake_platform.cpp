// The test platform behind the seam: serves files from memory and records each call.
#include "fake_platform.h"

#include <algorithm>
#include <cstdint>

#include "platform/platform.h"

FakePlatform fake;

bool FakePlatform::Fails(const std::string &operation)
{
    return failures.count({operation, ++callCounts[operation]}) != 0;
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
    *major = 6;
    return !fake.Fails("version");
}

PlatformHandle PlatformOpenFile(const wchar_t *path)
{
    fake.calls.push_back(std::wstring(L"open ") + path);
    if (fake.Fails("open") || !fake.files.count(path))
        return nullptr;
    int id = NewHandle();
    fake.openFiles[id] = {path, 0};
    return AsHandle(id);
}

int PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity)
{
    if (fake.Fails("read"))
        return -1;
    auto &[path, position] = fake.openFiles.at(AsId(file));
    const std::string &content = fake.files.at(path);
    size_t count = std::min({fake.readLimit, size_t(capacity), content.size() - position});
    std::copy_n(content.begin() + position, count, bytes);
    position += count;
    return int(count);
}

void PlatformCloseFile(PlatformHandle file)
{
    fake.calls.push_back(L"close file");
    fake.liveHandles.erase(AsId(file));
}

void PlatformDeleteFile(const wchar_t *path)
{
    fake.calls.push_back(std::wstring(L"delete ") + path);
    fake.files.erase(path);
}

// The test platform's ANSI code page is Latin-1.
int PlatformDecodeAnsi(const unsigned char *bytes, int count, wchar_t *wide, int capacity)
{
    if (count > capacity)
        return -1;
    std::copy_n(bytes, count, wide);
    return count;
}

int PlatformStartProcess(const wchar_t *application, wchar_t *arguments,
                         PlatformStarted *started)
{
    fake.calls.push_back(std::wstring(L"start ") + application + L"|" + arguments);
    if (fake.Fails("start"))
        return 0;
    started->process = AsHandle(NewHandle());
    started->thread = AsHandle(NewHandle());
    return 1;
}

void PlatformWaitForProcess(PlatformHandle process)
{
    fake.calls.push_back(L"wait " + std::to_wstring(AsId(process)));
}

void PlatformCloseHandle(PlatformHandle handle)
{
    fake.calls.push_back(L"close " + std::to_wstring(AsId(handle)));
    fake.liveHandles.erase(AsId(handle));
}
