// Where the packages of one list write the same file on the device: the later line's note
// names the last earlier line that wrote it, and what the later file's flags keep of it.
#pragma once

#include <map>
#include <optional>

#include "contents.h"

namespace check {

// What the later file's flags keep of the file already there.
enum class Keeps { kNothing, kAlways, kIfNewer };

struct Collision {
    Text path;                          // the first file written again
    int line = 0;                       // the last earlier line that wrote it
    Keeps keeps = Keeps::kNothing;
    size_t more = 0;                    // how many more of the package's files were written before
};

class Collisions {
public:
    void Clear() { writers_.clear(); }
    // Takes the files a line's package writes: the first that an earlier line wrote, if any.
    // Only lines whose package the installer may take write anything.
    std::optional<Collision> Write(int line, const Contents &contents);

private:
    std::map<Text, int> writers_;       // a path, folded: the last line that wrote it
};

}  // namespace check
