// What the POSIX platform's files share: regular files opened without blocking, and reads
// that a signal cannot cut short. Compare win32/desktop_win32.cpp's OpenForReading.
#pragma once

#include <sys/types.h>

#include <string>

namespace desktop {

// A descriptor of a regular file, opened without ever blocking (a FIFO or device in a file's
// place is refused, not waited on); -1 with the reason in *why.
int OpenRegularDescriptor(const char *path, std::string *why);
// read(), retried while a signal interrupts it before anything is read.
ssize_t ReadRetrying(int descriptor, void *bytes, size_t capacity);

}  // namespace desktop
