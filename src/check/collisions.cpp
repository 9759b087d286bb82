// The collision pass over a list: paths compared as the device compares names, through its
// upper-case table. A path built on a folder that the setup information does not record
// (the .000's %InstallDir%) is not compared: where it lands is not known here.
#include "collisions.h"

#include <vector>

namespace check {

namespace {

Keeps KeepsOf(unsigned long flags)
{
    if (flags & kFileNeverOverwrite)
        return Keeps::kAlways;
    return (flags & kFileKeepNewer) ? Keeps::kIfNewer : Keeps::kNothing;
}

}  // namespace

std::optional<Collision> Collisions::Write(int line, const Contents &contents)
{
    std::optional<Collision> found;
    std::vector<Text> written;
    for (const InstalledFile &file : contents.files) {
        if (Unresolved(file.path))
            continue;
        Text folded = desktop::FoldCase(file.path);
        auto earlier = writers_.find(folded);
        // A file that never overwrites leaves the earlier one in place: that line stays its writer.
        if (earlier == writers_.end() || KeepsOf(file.flags) != Keeps::kAlways)
            written.push_back(folded);
        if (earlier == writers_.end())
            continue;
        if (found)
            found->more++;
        else
            found = Collision{file.path, earlier->second, KeepsOf(file.flags), 0};
    }
    for (Text &path : written)
        writers_[std::move(path)] = line;
    return found;
}

}  // namespace check
