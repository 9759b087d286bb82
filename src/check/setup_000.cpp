// The ".000" member's fixed header with the strings it points to. Every offset and length is
// checked against the member's own length before it is used.
#include "setup_000.h"

#include <cstring>
#include <vector>

#include "cabinet_layout.h"
#include "little_endian.h"

namespace check {

namespace {

using namespace layout;

// A string the setup information points to: bytes[offset, offset + length), its NUL included.
bool SetupString(const unsigned char *bytes, size_t limit, size_t at, std::string *text)
{
    size_t offset = Word(bytes + at), length = Word(bytes + at + 2);
    if (length == 0) {
        text->clear();
        return true;
    }
    if (offset + length > limit || std::memchr(bytes + offset, 0, length) == nullptr)
        return false;
    *text = reinterpret_cast<const char *>(bytes + offset);
    return true;
}

// The unsupported platforms: NUL-separated names ending in an empty one. With none, CabWiz
// points the field at the string table with a length of 0.
bool UnsupportedNames(const unsigned char *bytes, size_t limit, std::vector<std::string> *names)
{
    size_t offset = Word(bytes + kSetupUnsupported), length = Word(bytes + kSetupUnsupported + 2);
    if (length == 0)
        return offset <= limit;
    if (offset + length > limit)
        return false;
    for (size_t at = offset; at < offset + length;) {
        const void *end = std::memchr(bytes + at, 0, offset + length - at);
        if (end == nullptr)
            return false;
        size_t start = at;
        at = size_t(static_cast<const unsigned char *>(end) - bytes) + 1;
        if (at - start == 1)
            return true;
        names->emplace_back(reinterpret_cast<const char *>(bytes + start));
    }
    return false;
}

// Every section's entries start inside the member, and an empty one may end it.
bool SectionsFit(const unsigned char *bytes, size_t limit)
{
    for (int section = 0; section < kSetupSections; section++) {
        size_t entries = Word(bytes + kSetupSectionCounts + 2 * section);
        size_t offset = Long(bytes + kSetupSectionOffsets + 4 * section);
        if (offset > limit || (entries != 0 && offset >= limit))
            return false;
    }
    return true;
}

}  // namespace

bool ParseSetupInfo(const unsigned char *bytes, size_t count, SetupInfo *info, std::string *why)
{
    if (count < kSetupHeaderSize || std::memcmp(bytes + kSetupSignature, "MSCE", 4) != 0) {
        *why = count < kSetupHeaderSize ? "its setup information is cut short"
                                        : "its setup information does not start with MSCE";
        return false;
    }
    const size_t limit = Long(bytes + kSetupLength);
    bool fits = limit >= kSetupHeaderSize && limit <= count && SectionsFit(bytes, limit)
             && SetupString(bytes, limit, kSetupApp, &info->app)
             && SetupString(bytes, limit, kSetupProvider, &info->provider)
             && UnsupportedNames(bytes, limit, &info->unsupported);
    if (!fits) {
        *why = BoundSentence(SetupBound::kOutside);
        return false;
    }
    info->processor = Long(bytes + kSetupProcessor);
    info->osMin = {Long(bytes + kSetupOsMinMajor), Long(bytes + kSetupOsMinMinor)};
    info->osMax = {Long(bytes + kSetupOsMaxMajor), Long(bytes + kSetupOsMaxMinor)};
    info->buildMin = Long(bytes + kSetupBuildMin);
    info->buildMax = Long(bytes + kSetupBuildMax);
    return true;
}

}  // namespace check
