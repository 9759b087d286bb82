// The card check's platform on Linux and other POSIX systems, where names, arguments and
// output are bytes (UTF-8 by convention) already.
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/desktop/desktop.h"
#include "posix_files.h"

namespace desktop {

namespace {
struct OpenFile {
    int descriptor;
    std::uint64_t bytesRead = 0;
    std::string error;
};

std::string Reason(int error) { return std::strerror(error); }
}  // namespace

Facts Inspect(const Path &path)
{
    Facts facts;
    struct stat status;
    facts.link = lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
    if (stat(path.c_str(), &status) != 0) {
        // A name that leads nowhere is simply not there; anything else is a fault to report.
        bool absent = errno == ENOENT || errno == ENOTDIR;
        facts.kind = absent ? Kind::kMissing : Kind::kUnreadable;
        facts.why = Reason(errno);
        return facts;
    }
    facts.kind = S_ISREG(status.st_mode) ? Kind::kFile
               : S_ISDIR(status.st_mode) ? Kind::kDirectory : Kind::kOther;
    // Wine and the device know only a read-only attribute, which a file without any write
    // permission bit stands for; root's access() would call every file writable.
    facts.readOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return facts;
}

std::optional<FileIdentity> IdentityOf(const Path &path)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino), std::uint64_t(status.st_size)};
}

Status ListFolder(const Path &folder, std::vector<NativeName> *names, std::string *why)
{
    DIR *directory = opendir(folder.c_str());
    if (directory == nullptr) {
        *why = Reason(errno);
        return kFailed;
    }
    names->clear();
    errno = 0;
    while (const dirent *entry = readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names->push_back(entry->d_name);
    }
    int error = errno;
    closedir(directory);
    if (error != 0)
        *why = Reason(error);
    return error == 0 ? kOk : kFailed;
}

Path FolderPath(const std::string &utf8) { return Path(utf8); }

int OpenRegularDescriptor(const char *path, std::string *why)
{
    // Non-blocking, so that a FIFO put in a file's place cannot hold the check in open();
    // the type is then checked on what was opened, not on what the name meant a moment ago.
    int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        *why = Reason(errno);
        return -1;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        *why = "it is not a regular file";
        close(descriptor);
        return -1;
    }
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

ssize_t ReadRetrying(int descriptor, void *bytes, size_t capacity)
{
    ssize_t count;
    do {
        count = read(descriptor, bytes, capacity);
    } while (count < 0 && errno == EINTR);  // cut short by a signal before anything was read
    return count;
}

Status OpenRegularFile(const Path &path, PlatformHandle *file, std::string *why)
{
    int descriptor = OpenRegularDescriptor(path.c_str(), why);
    if (descriptor < 0)
        return kFailed;
    *file = new OpenFile{descriptor, 0, {}};
    return kOk;
}

void CloseFile(PlatformHandle file)
{
    auto *open = static_cast<OpenFile *>(file);
    close(open->descriptor);
    delete open;
}

std::uint64_t BytesRead(PlatformHandle file) { return static_cast<OpenFile *>(file)->bytesRead; }
std::string ReadError(PlatformHandle file) { return static_cast<OpenFile *>(file)->error; }

std::vector<std::string> Arguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

Status Write(bool toStderr, const std::string &utf8, std::string *why)
{
    int descriptor = toStderr ? STDERR_FILENO : STDOUT_FILENO;
    for (size_t done = 0; done < utf8.size();) {
        ssize_t count = write(descriptor, utf8.data() + done, utf8.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            *why = count < 0 ? Reason(errno) : "nothing was written";
            return kFailed;
        }
        done += size_t(count);
    }
    return kOk;
}

std::optional<int> TerminalColumns()
{
    if (!isatty(STDOUT_FILENO))
        return std::nullopt;
    struct winsize size;
    // A terminal that tells no size (a serial line, say) gets the usual 80 columns.
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return 80;
    return size.ws_col;
}

bool EnableColour() { return true; }  // a terminal takes the sequences as they are

void HoldOwnConsole() {}  // a terminal stays open by itself

}  // namespace desktop

Status PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity, int *count)
{
    auto *open = static_cast<desktop::OpenFile *>(file);
    ssize_t read = desktop::ReadRetrying(open->descriptor, bytes, size_t(capacity));
    if (read < 0) {
        open->error = desktop::Reason(errno);
        return kFailed;
    }
    open->bytesRead += std::uint64_t(read);
    *count = int(read);
    return kOk;
}
