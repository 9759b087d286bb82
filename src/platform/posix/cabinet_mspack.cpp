// Packages read through libmspack, on a desktop without Windows' cabinet.dll. The library
// reaches files only through the system given here: the package itself, opened without
// blocking, and sinks in memory for the members it unpacks.
#include <mspack.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/desktop/desktop.h"
#include "posix_files.h"

namespace desktop {

namespace {

const char kPackage[] = "package", kKeep[] = "keep", kDiscard[] = "discard";

struct System;
struct File {
    int descriptor = -1;       // the package, or -1 for a sink
    System *sink = nullptr;
};

// The member being unpacked: its first bytes, all of them (within kMemberBytesKept) where it
// is kept, and its size.
struct System : mspack_system {
    const Path *package;
    bool keeping = false;
    std::string kept, start;
    std::uint64_t size = 0;
};

mspack_file *Open(mspack_system *self, const char *name, int mode)
{
    auto *system = static_cast<System *>(self);
    if (mode != MSPACK_SYS_OPEN_READ) {
        system->keeping = std::strcmp(name, kKeep) == 0;
        return reinterpret_cast<mspack_file *>(new File{-1, system});
    }
    if (std::strcmp(name, kPackage) != 0)
        return nullptr;  // another cabinet of a set: the installer is given only this one
    std::string why;
    int descriptor = OpenRegularDescriptor(system->package->c_str(), &why);
    return descriptor < 0 ? nullptr : reinterpret_cast<mspack_file *>(new File{descriptor, nullptr});
}

void Close(mspack_file *handle)
{
    auto *file = reinterpret_cast<File *>(handle);
    if (file->descriptor >= 0)
        close(file->descriptor);
    delete file;
}

int Read(mspack_file *handle, void *buffer, int bytes)
{
    return int(ReadRetrying(reinterpret_cast<File *>(handle)->descriptor, buffer, size_t(bytes)));
}

void AppendUpTo(std::string &to, size_t most, const void *buffer, int bytes)
{
    if (to.size() < most)
        to.append(static_cast<const char *>(buffer), std::min(size_t(bytes), most - to.size()));
}

int Write(mspack_file *handle, void *buffer, int bytes)
{
    System *sink = reinterpret_cast<File *>(handle)->sink;
    if (sink->keeping)
        AppendUpTo(sink->kept, kMemberBytesKept, buffer, bytes);
    AppendUpTo(sink->start, kMemberStartBytes, buffer, bytes);
    sink->size += std::uint64_t(bytes);
    return bytes;
}

int Seek(mspack_file *handle, off_t offset, int mode)
{
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    return lseek(reinterpret_cast<File *>(handle)->descriptor, offset, kWhence[mode]) < 0 ? -1 : 0;
}

off_t Tell(mspack_file *handle) { return lseek(reinterpret_cast<File *>(handle)->descriptor, 0, SEEK_CUR); }
void Message(mspack_file *, const char *, ...) {}
void *Allocate(mspack_system *, size_t bytes) { return std::malloc(bytes); }
void Free(void *memory) { std::free(memory); }
void Copy(void *from, void *to, size_t bytes) { std::memmove(to, from, bytes); }

}  // namespace

CabinetRead ReadCabinet(const Path &path, const std::function<bool(const std::string &name)> &wanted,
                        const MemberStart &unpacked)
{
    System system;
    static_cast<mspack_system &>(system) = {Open, Close, Read, Write, Seek, Tell, Message, Allocate, Free, Copy, nullptr};
    system.package = &path;
    CabinetRead read;
    mscab_decompressor *reader = mspack_create_cab_decompressor(&system);
    if (reader == nullptr)
        return read;
    mscabd_cabinet *cabinet = reader->open(reader, kPackage);
    read.readThrough = cabinet != nullptr;
    for (mscabd_file *member = cabinet ? cabinet->files : nullptr; member != nullptr; member = member->next) {
        read.members.push_back(member->filename);
        bool keep = wanted(member->filename);
        system.kept.clear();
        system.start.clear();
        system.size = 0;
        // Every member is unpacked, so that a damaged block or checksum anywhere is found.
        read.readThrough = read.readThrough && reader->extract(reader, member, keep ? kKeep : kDiscard) == MSPACK_ERR_OK;
        if (keep)
            read.kept.emplace_back(member->filename, system.kept);
        if (read.readThrough && unpacked)
            unpacked(member->filename, system.start, system.size);
    }
    if (cabinet != nullptr)
        reader->close(reader, cabinet);
    mspack_destroy_cab_decompressor(reader);
    return read;
}

}  // namespace desktop
