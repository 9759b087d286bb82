// The card check's platform on desktop Windows. Every path goes to the wide calls in its
// extended-length form: the C runtime's and std::filesystem's calls stop at 260 characters
// (mingw's directory_iterator then lists the current folder instead).
#include <windows.h>
#include <shellapi.h>

#include "platform/desktop/desktop.h"
#include "utf8.h"

namespace desktop {

std::string Utf8(const std::wstring &text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string &utf8)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), size);
    return out;
}

namespace {
struct OpenFile {
    HANDLE handle;
    std::uint64_t bytesRead = 0;
    std::string error;
};

std::string Reason(DWORD error)
{
    wchar_t *text = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                      | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'
                                || message.back() == L'.' || message.back() == L' '))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(error) : Utf8(message);
}

std::wstring Long(const Path &path) { return ExtendedLengthPath(path.native()); }

// Opens for reading without blocking on what it is: Wine shows FIFOs and device links as
// plain files in a listing, but CreateFileW returns at once on them, and GetFileType tells.
HANDLE OpenForReading(const Path &path, DWORD *type)
{
    HANDLE handle = CreateFileW(Long(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        *type = GetFileType(handle);
    return handle;
}
// Wine lists a FIFO or a link to a device as a file, then will neither open it nor give
// its attributes, saying "not found" or "invalid parameter": there is no file to read. A
// file that is only locked or forbidden is there, and cannot be read.
Kind KindOfRefusal(DWORD error)
{
    bool barred = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
               || error == ERROR_LOCK_VIOLATION;
    return barred ? Kind::kUnreadable : Kind::kOther;
}
}  // namespace

Facts Inspect(const Path &path)
{
    Facts facts;
    DWORD attributes = GetFileAttributesW(Long(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        facts.kind = absent ? Kind::kMissing : KindOfRefusal(error);
        facts.why = Reason(error);
        return facts;
    }
    facts.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // The attributes are the name's own: a symbolic link or junction is a reparse point.
    facts.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        facts.kind = Kind::kDirectory;
        return facts;
    }
    DWORD type = FILE_TYPE_UNKNOWN;
    HANDLE handle = OpenForReading(path, &type);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        facts.kind = KindOfRefusal(error);
        facts.why = Reason(error);
        return facts;
    }
    CloseHandle(handle);
    facts.kind = type == FILE_TYPE_DISK ? Kind::kFile : Kind::kOther;
    return facts;
}

// The volume's serial number and the file's index on it, from a handle opened for its
// attributes alone, so that a file locked for reading still tells them.
std::optional<FileIdentity> IdentityOf(const Path &path)
{
    HANDLE handle = CreateFileW(Long(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known)
        return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        std::uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow,
                        std::uint64_t(information.nFileSizeHigh) << 32 | information.nFileSizeLow};
}

Status ListFolder(const Path &folder, std::vector<NativeName> *names, std::string *why)
{
    std::wstring pattern = Long(folder);
    pattern += pattern.back() == L'\\' ? L"*" : L"\\*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    names->clear();
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND && Inspect(folder).kind == Kind::kDirectory)
            return kOk;  // a drive's root has no "." or "..", so an empty one matches nothing
        *why = Reason(error);
        return kFailed;
    }
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names->push_back(name);
    } while (FindNextFileW(search, &found));
    DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        *why = Reason(error);
    return error == ERROR_NO_MORE_FILES ? kOk : kFailed;
}

Path FolderPath(const std::string &utf8)
{
    std::wstring given = Wide(utf8);
    DWORD size = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    DWORD length = size > 0 ? GetFullPathNameW(given.c_str(), size, full.data(), nullptr) : 0;
    if (length == 0 || length >= size)
        return Path(given);
    full.resize(length);
    return Path(full);
}

Status OpenRegularFile(const Path &path, PlatformHandle *file, std::string *why)
{
    DWORD type = FILE_TYPE_UNKNOWN;
    HANDLE handle = OpenForReading(path, &type);
    if (handle == INVALID_HANDLE_VALUE) {
        *why = Reason(GetLastError());
        return kFailed;
    }
    if (type != FILE_TYPE_DISK) {
        *why = "it is not a regular file";
        CloseHandle(handle);
        return kFailed;
    }
    *file = new OpenFile{handle, 0, {}};
    return kOk;
}

void CloseFile(PlatformHandle file)
{
    auto *open = static_cast<OpenFile *>(file);
    CloseHandle(open->handle);
    delete open;
}

std::uint64_t BytesRead(PlatformHandle file) { return static_cast<OpenFile *>(file)->bytesRead; }
std::string ReadError(PlatformHandle file) { return static_cast<OpenFile *>(file)->error; }

// The C runtime hands main() the arguments in the ANSI code page, so they are taken wide.
std::vector<std::string> Arguments(int, char **)
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; i++)
        arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

Status Write(bool toStderr, const std::string &utf8, std::string *why)
{
    HANDLE out = GetStdHandle(toStderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode, written = 0;
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        *why = Reason(ERROR_INVALID_HANDLE);
        return kFailed;
    }
    // A console shows UTF-16 right whatever its code page; a pipe or file gets UTF-8.
    bool console = GetConsoleMode(out, &mode);
    std::wstring text = console ? Wide(utf8) : std::wstring();
    const char *bytes = utf8.data();
    size_t left = console ? text.size() : utf8.size();
    const wchar_t *units = text.data();
    while (left > 0) {
        DWORD part = DWORD(left < 0x10000 ? left : 0x10000);
        BOOL done = console ? WriteConsoleW(out, units, part, &written, nullptr)
                            : WriteFile(out, bytes, part, &written, nullptr);
        if (!done || written == 0) {
            *why = Reason(done ? ERROR_WRITE_FAULT : GetLastError());
            return kFailed;
        }
        left -= written;
        units += console ? written : 0;
        bytes += console ? 0 : written;
    }
    return kOk;
}

std::optional<int> TerminalColumns()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleMode(out, &mode))
        return std::nullopt;
    if (!GetConsoleScreenBufferInfo(out, &info))
        return 80;
    // A console moves to the next line as soon as its last column is written, so a line that
    // filled the window would leave an empty one after it: the last column stays free.
    return info.srWindow.Right - info.srWindow.Left;
}

// Consoles before Windows 10 print colour sequences as text: only a console that takes
// virtual-terminal processing gets them. It stays on, as it does for other tools.
bool EnableColour()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    return GetConsoleMode(out, &mode) && SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// Windows is asked rather than the command line guessed from: the console is the check's own
// when no other process shares it and it has a window. Under wine from a terminal the first
// holds too, but there is no console window, so nothing waits there.
void HoldOwnConsole()
{
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1 || GetConsoleWindow() == nullptr)
        return;
    std::string ignored;
    Write(true, "\nPress Enter to close this window.", &ignored);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char key = 0;
    DWORD count = 0;
    while (ReadFile(in, &key, 1, &count, nullptr) && count == 1 && key != '\n' && key != '\r') {
    }
}

}  // namespace desktop

Status PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity, int *count)
{
    auto *open = static_cast<desktop::OpenFile *>(file);
    DWORD read = 0;
    if (!ReadFile(open->handle, bytes, DWORD(capacity), &read, nullptr)) {
        open->error = desktop::Reason(GetLastError());
        return kFailed;
    }
    open->bytesRead += read;
    *count = int(read);
    return kOk;
}
