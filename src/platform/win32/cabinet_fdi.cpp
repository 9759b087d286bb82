// Packages read through Windows' own cabinet.dll (FDI). FDICopy takes the cabinet's name in
// the ANSI code page, and Wine refuses one over 256 characters before it opens anything; so
// it is given a short token, and the open callback opens the real file by its wide,
// extended-length path. Members go to sinks in memory, never to disk.
#include <windows.h>
#include <fcntl.h>
#include <fdi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/desktop/desktop.h"

namespace desktop {

namespace {

const char kPackage[] = "package";

// FDI's callbacks carry no context of their own: one read at a time, set here.
struct Reading {
    const Path *package;
    const std::function<bool(const std::string &name)> *wanted;
    const MemberStart *unpacked;
    CabinetRead *read;
    std::string *keeping;   // the sink of the member being kept, if any
    std::string name, start;  // the member being unpacked, and its first bytes
    std::uint64_t size;
};
Reading *current = nullptr;

// Handles FDI holds: the package's file handle, or one of these two sinks.
const INT_PTR kKeepSink = 1, kDiscardSink = 2;

void *DIAMONDAPI Allocate(ULONG bytes) { return std::malloc(bytes); }
void DIAMONDAPI Free(void *memory) { std::free(memory); }

INT_PTR DIAMONDAPI Open(char *name, int flags, int)
{
    if (std::strcmp(name, kPackage) != 0 || (flags & (_O_WRONLY | _O_RDWR)) != 0)
        return -1;  // another cabinet of a set: the installer is given only this one
    HANDLE file = CreateFileW(ExtendedLengthPath(current->package->native()).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return -1;
    }
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
}

UINT DIAMONDAPI Read(INT_PTR handle, void *buffer, UINT bytes)
{
    DWORD count = 0;
    return ReadFile(reinterpret_cast<HANDLE>(handle), buffer, bytes, &count, nullptr) ? count : UINT(-1);
}

void AppendUpTo(std::string &to, size_t most, const void *buffer, UINT bytes)
{
    if (to.size() < most)
        to.append(static_cast<const char *>(buffer), std::min(size_t(bytes), most - to.size()));
}

UINT DIAMONDAPI Write(INT_PTR handle, void *buffer, UINT bytes)
{
    if (handle == kKeepSink)
        AppendUpTo(*current->keeping, kMemberBytesKept, buffer, bytes);
    AppendUpTo(current->start, kMemberStartBytes, buffer, bytes);
    current->size += bytes;
    return bytes;
}

int DIAMONDAPI Close(INT_PTR handle)
{
    if (handle != kKeepSink && handle != kDiscardSink)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    return 0;
}

LONG DIAMONDAPI Seek(INT_PTR handle, LONG offset, int origin)
{
    static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LONG high = 0;
    DWORD low = SetFilePointer(reinterpret_cast<HANDLE>(handle), offset, &high, kMethods[origin]);
    return low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR ? -1 : LONG(low);
}

INT_PTR DIAMONDAPI Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION notification)
{
    switch (type) {
    case fdintCOPY_FILE: {
        current->read->members.push_back(notification->psz1);
        current->name = notification->psz1;
        current->start.clear();
        current->size = 0;
        if (!(*current->wanted)(notification->psz1))
            return kDiscardSink;  // unpacked all the same, so that every checksum is checked
        current->read->kept.emplace_back(notification->psz1, std::string());
        current->keeping = &current->read->kept.back().second;
        return kKeepSink;
    }
    case fdintCLOSE_FILE_INFO:
        // FDI tells of a member's end once it has written the whole of it.
        if (*current->unpacked)
            (*current->unpacked)(current->name, current->start, current->size);
        return TRUE;
    case fdintNEXT_CABINET:
        return -1;  // the installer is given one file: a set's next cabinet is not there
    default:
        return 0;
    }
}

}  // namespace

CabinetRead ReadCabinet(const Path &path, const std::function<bool(const std::string &name)> &wanted,
                        const MemberStart &unpacked)
{
    CabinetRead read;
    Reading reading{&path, &wanted, &unpacked, &read, nullptr, {}, {}, 0};
    current = &reading;
    ERF error{};
    HFDI fdi = FDICreate(Allocate, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error);
    if (fdi != nullptr) {
        char name[sizeof kPackage], folder[] = "";
        std::memcpy(name, kPackage, sizeof kPackage);
        read.readThrough = FDICopy(fdi, name, folder, 0, Notify, nullptr, nullptr) != FALSE;
        FDIDestroy(fdi);
    }
    current = nullptr;
    return read;
}

}  // namespace desktop
