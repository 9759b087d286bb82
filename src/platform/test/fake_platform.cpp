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

Status PlatformGetModulePath(wchar_t *path, int capacity, int *length)
{
    fake.calls.push_back(L"module");
    if (fake.Fails("module"))
        return kFailed;
    // Like the platform: a path that does not fit is cut to the buffer and left unterminated.
    *length = int(fake.modulePath.size());
    std::copy_n(fake.modulePath.begin(), std::min(*length, capacity), path);
    if (*length < capacity)
        path[*length] = L'\0';
    *length = std::min(*length, capacity);
    return kOk;
}

Status PlatformGetMajorVersion(unsigned long *major)
{
    fake.calls.push_back(L"version");
    *major = 6;
    return fake.Fails("version") ? kFailed : kOk;
}

Status PlatformOpenFile(const wchar_t *path, PlatformHandle *file)
{
    fake.calls.push_back(std::wstring(L"open ") + path);
    if (fake.Fails("open") || !fake.files.count(path))
        return kFailed;
    int id = NewHandle();
    fake.openFiles[id] = {path, 0};
    *file = AsHandle(id);
    return kOk;
}

Status PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity, int *count)
{
    if (fake.Fails("read"))
        return kFailed;
    auto &[path, position] = fake.openFiles.at(AsId(file));
    const std::string &content = fake.files.at(path);
    size_t most = std::min({fake.readLimit, size_t(capacity), content.size() - position});
    std::copy_n(content.begin() + position, most, bytes);
    position += most;
    *count = int(most);
    return kOk;
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

// The test platform's ANSI code page is Latin-1, whichever is asked for; the code page the
// core passes is recorded.
Status PlatformDecodeAnsi(int codePage, const unsigned char *bytes, int count, wchar_t *wide,
                          int capacity, int *length)
{
    fake.codePagesAsked.insert(codePage);
    if (count > capacity)
        return kFailed;
    std::copy_n(bytes, count, wide);
    *length = count;
    return kOk;
}

Status PlatformStartProcess(const wchar_t *application, wchar_t *arguments,
                            PlatformStarted *started)
{
    fake.calls.push_back(std::wstring(L"start ") + application + L"|" + arguments);
    if (fake.Fails("start"))
        return kFailed;
    started->process = AsHandle(NewHandle());
    started->thread = AsHandle(NewHandle());
    return kOk;
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
