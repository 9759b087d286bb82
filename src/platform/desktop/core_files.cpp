// The platform calls the core's list reader makes, served on the desktop: the list file
// read through a stream, and lines that are not UTF-8 decoded in the chosen code page.
#include <fstream>

#include "desktop.h"

namespace desktop {

static int selectedCodePage = 1252;

void SelectCodePage(int codePage) { selectedCodePage = codePage; }

PlatformHandle OpenForReading(const fs::path &path)
{
    auto *stream = new std::ifstream(path, std::ios::binary);
    if (!*stream) {
        delete stream;
        return nullptr;
    }
    return stream;
}

void CloseForReading(PlatformHandle file) { delete static_cast<std::ifstream *>(file); }

}  // namespace desktop

int PlatformReadFile(PlatformHandle file, unsigned char *bytes, int capacity)
{
    auto *stream = static_cast<std::ifstream *>(file);
    stream->read(reinterpret_cast<char *>(bytes), capacity);
    return stream->bad() ? -1 : int(stream->gcount());
}

int PlatformDecodeAnsi(const unsigned char *bytes, int count, wchar_t *wide, int capacity)
{
    return desktop::DecodeCodePage(desktop::selectedCodePage, bytes, count, wide, capacity);
}
