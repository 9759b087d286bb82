// The version resource's reader: from the DOS header to the PE header, its resource
// directory and section table, down the resource tree (type 16, name 1, first language) to
// the VS_VERSIONINFO block, then its fixed file information and its first string table.
#include "program_version.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "little_endian.h"

namespace check {
namespace {

constexpr std::uint64_t kDosNewHeader = 0x3C;  // e_lfanew, as program_header.cpp reads it
// After the "PE\0\0" signature: the file header, then the optional header.
constexpr std::uint64_t kFileSectionCount = 4 + 2, kFileOptionalSize = 4 + 16, kOptionalHeader = 4 + 20;
struct OptionalLayout {
    unsigned magic;
    std::uint64_t directoryCount, directories;
};
constexpr OptionalLayout kLayouts[] = {{0x10B, 92, 96}, {0x20B, 108, 112}};  // PE32, PE32+
constexpr std::uint64_t kResourceDirectory = 2, kDirectoryEntry = 8;
constexpr std::uint64_t kMostSections = 96;  // the loader's own limit
constexpr std::uint64_t kSectionHeader = 40, kSectionVirtualSize = 8, kSectionAddress = 12,
                        kSectionRawSize = 16, kSectionRawPointer = 20;
// A resource directory and its entries; an entry's high bit marks a subdirectory.
constexpr std::uint64_t kTableHeader = 16, kTableNamed = 12, kTableIds = 14, kTableEntry = 8;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint64_t kDataEntry = 16;  // the data's address (an RVA) and size
constexpr std::uint32_t kVersionType = 16, kVersionName = 1;  // RT_VERSION, VS_VERSION_INFO
// A version block: wLength, wValueLength, wType, a NUL-ended UTF-16 key, then its value and
// its children, each on a 4-byte boundary from the resource's start.
constexpr size_t kBlockHeader = 6;
constexpr size_t kFixedInfoSize = 52, kFixedFileVersion = 8;
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;

// The bytes given, in a file of a known size. A read outside them fails, and says what
// would have answered it: more bytes of the file, bytes past the reach, or none at all.
class Image {
public:
    Image(const unsigned char *bytes, size_t count, std::uint64_t fileSize)
        : bytes_(bytes), count_(count), fileSize_(fileSize) {}
    // Offsets and sizes are sums of a few 32-bit fields, so they cannot overflow.
    bool Has(std::uint64_t offset, std::uint64_t size)
    {
        const std::uint64_t end = offset + size;
        if (end <= count_)
            return true;
        if (end <= fileSize_ && end > kProgramVersionReach)
            outOfReach_ = true;
        else if (end <= fileSize_)
            wanted_ = size_t(end);
        return false;
    }
    // Bytes that will likely be wanted too, so that they come in the same read.
    void Hint(std::uint64_t end) { hint_ = std::min({end, fileSize_, std::uint64_t(kProgramVersionReach)}); }
    const unsigned char *At(std::uint64_t offset) const { return bytes_ + offset; }
    std::uint32_t Word(std::uint64_t offset) const { return check::Word(bytes_ + offset); }
    std::uint32_t Long(std::uint64_t offset) const { return check::Long(bytes_ + offset); }
    size_t wanted() const { return wanted_ ? std::max(wanted_, size_t(hint_)) : 0; }
    bool outOfReach() const { return outOfReach_; }

private:
    const unsigned char *bytes_;
    size_t count_;
    std::uint64_t fileSize_;
    size_t wanted_ = 0;
    std::uint64_t hint_ = 0;
    bool outOfReach_ = false;
};

struct Section {
    std::uint64_t address, mapped, rawPointer;  // mapped: the raw bytes that reach memory
};

// Where the resource directory lies (an RVA), and every section, from the PE headers.
bool ReadHeaders(Image &image, std::uint64_t *resources, std::vector<Section> *sections)
{
    if (!image.Has(0, 0x40) || image.Word(0) != 0x5A4D)  // "MZ"
        return false;
    const std::uint64_t pe = image.Long(kDosNewHeader), optional = pe + kOptionalHeader;
    if (!image.Has(pe, kOptionalHeader + 2) || Long(image.At(pe)) != 0x4550)  // "PE\0\0"
        return false;
    const std::uint64_t optionalSize = image.Word(pe + kFileOptionalSize);
    const std::uint64_t count = image.Word(pe + kFileSectionCount), table = optional + optionalSize;
    const OptionalLayout *layout = nullptr;
    for (const OptionalLayout &candidate : kLayouts)
        layout = image.Word(optional) == candidate.magic ? &candidate : layout;
    const std::uint64_t entry = layout ? layout->directories + kResourceDirectory * kDirectoryEntry : 0;
    if (!layout || count > kMostSections || entry + kDirectoryEntry > optionalSize
        || !image.Has(optional, optionalSize + count * kSectionHeader)
        || image.Long(optional + layout->directoryCount) <= kResourceDirectory)
        return false;
    *resources = image.Long(optional + entry);
    for (std::uint64_t at = table; at < table + count * kSectionHeader; at += kSectionHeader) {
        const std::uint64_t virtualSize = image.Long(at + kSectionVirtualSize), raw = image.Long(at + kSectionRawSize);
        // A section's raw data reaches memory only up to its virtual size, where one is given.
        sections->push_back({image.Long(at + kSectionAddress), virtualSize ? std::min(virtualSize, raw) : raw,
                             image.Long(at + kSectionRawPointer)});
    }
    // The section that holds the resources most often holds all of them: read it whole.
    for (const Section &section : *sections) {
        if (*resources >= section.address && *resources - section.address < section.mapped)
            image.Hint(section.rawPointer + section.mapped);
    }
    return *resources != 0;
}

// The file offset of `size` bytes at `address`, where one section's raw data holds them all.
std::optional<std::uint64_t> FileOffset(const std::vector<Section> &sections, std::uint64_t address,
                                        std::uint64_t size)
{
    for (const Section &section : sections) {
        const std::uint64_t into = address - section.address;
        if (address >= section.address && into <= section.mapped && size <= section.mapped - into)
            return section.rawPointer + into;
    }
    return std::nullopt;
}

// In the resource directory at `table` (an offset from the resources' start), the entry with
// that ID, or the first entry when there is no ID to look for: what it points to, or nothing
// when it is missing or is not of the kind wanted (a subdirectory, or data).
std::optional<std::uint64_t> Follow(Image &image, const std::vector<Section> &sections, std::uint64_t resources,
                                    std::uint64_t table, std::optional<std::uint32_t> id, bool subdirectory)
{
    const auto header = FileOffset(sections, resources + table, kTableHeader);
    if (!header || !image.Has(*header, kTableHeader))
        return std::nullopt;
    const std::uint64_t named = image.Word(*header + kTableNamed), ids = image.Word(*header + kTableIds);
    const auto entries = FileOffset(sections, resources + table, kTableHeader + (named + ids) * kTableEntry);
    if (!entries || !image.Has(*entries, kTableHeader + (named + ids) * kTableEntry))
        return std::nullopt;
    // Named entries come first; an ID is looked for among the others.
    const std::uint64_t first = id ? named : 0, last = id ? named + ids : std::min<std::uint64_t>(1, named + ids);
    for (std::uint64_t i = first; i < last; i++) {
        const std::uint64_t entry = *entries + kTableHeader + i * kTableEntry;
        if (id && image.Long(entry) != *id)
            continue;
        const std::uint32_t target = image.Long(entry + 4);
        if (((target & kSubdirectory) != 0) != subdirectory)
            return std::nullopt;
        return target & ~kSubdirectory;
    }
    return std::nullopt;
}

size_t Align(size_t offset, size_t end) { return std::min((offset + 3) & ~size_t(3), end); }

// A block of the version resource, inside [at, limit) of its bytes.
struct Block {
    size_t keyAt = 0, keyEnd = 0;  // the key's units, its NUL left out
    size_t value = 0, valueLength = 0, end = 0;
};

bool ReadBlock(const unsigned char *bytes, size_t at, size_t limit, Block *block)
{
    const size_t length = limit - at >= kBlockHeader ? Word(bytes + at) : 0;
    if (length < kBlockHeader || length > limit - at)
        return false;
    block->end = at + length;
    block->valueLength = Word(bytes + at + 2);
    block->keyAt = at + kBlockHeader;
    for (size_t unit = block->keyAt; block->end - unit >= 2; unit += 2) {
        if (Word(bytes + unit) == 0) {
            block->keyEnd = unit;
            block->value = Align(unit + 2, block->end);
            return true;
        }
    }
    return false;  // a key without its NUL
}

bool KeyIs(const unsigned char *bytes, const Block &block, const char *key)
{
    size_t unit = block.keyAt;
    for (; *key && unit < block.keyEnd; key++, unit += 2) {
        if (Word(bytes + unit) != static_cast<unsigned char>(*key))
            return false;
    }
    return !*key && unit == block.keyEnd;
}

// The first child of `parent` whose key is `key`; children begin after `valueBytes` of value.
std::optional<Block> Child(const unsigned char *bytes, const Block &parent, size_t valueBytes, const char *key)
{
    Block child;
    for (size_t at = Align(parent.value + std::min(valueBytes, parent.end - parent.value), parent.end);
         ReadBlock(bytes, at, parent.end, &child); at = Align(child.end, parent.end)) {
        if (!key || KeyIs(bytes, child, key))
            return child;
    }
    return std::nullopt;
}

// The version resource's own bytes: its fixed file version and its first string table's
// ProductName (a String's value is UTF-16 text; its length field is not trusted).
void ParseVersionInfo(const unsigned char *bytes, size_t size, ProgramVersion *version)
{
    Block root;
    if (!ReadBlock(bytes, 0, size, &root) || !KeyIs(bytes, root, "VS_VERSION_INFO"))
        return;
    const unsigned char *fixed = bytes + root.value;
    if (root.valueLength < kFixedInfoSize || root.end - root.value < kFixedInfoSize || Long(fixed) != kFixedSignature)
        return;
    const std::uint32_t high = Long(fixed + kFixedFileVersion), low = Long(fixed + kFixedFileVersion + 4);
    *version = {VersionState::kFound, {high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF}, std::nullopt, 0};
    const auto strings = Child(bytes, root, root.valueLength, "StringFileInfo");
    const auto table = strings ? Child(bytes, *strings, 0, nullptr) : std::nullopt;
    const auto name = table ? Child(bytes, *table, 0, "ProductName") : std::nullopt;
    if (!name)
        return;
    desktop::Text text;
    for (size_t unit = name->value; name->end - unit >= 2 && Word(bytes + unit) != 0; unit += 2)
        text += wchar_t(Word(bytes + unit));
    version->productName = text;
}

// Where the version resource lies in the file, and its size: down the resource tree from
// the headers to its data entry.
std::optional<std::pair<std::uint64_t, std::uint64_t>> FindVersionData(Image &image)
{
    std::uint64_t resources = 0;
    std::vector<Section> sections;
    if (!ReadHeaders(image, &resources, &sections))
        return std::nullopt;
    const auto names = Follow(image, sections, resources, 0, kVersionType, true);
    const auto languages = names ? Follow(image, sections, resources, *names, kVersionName, true) : std::nullopt;
    const auto entry = languages ? Follow(image, sections, resources, *languages, std::nullopt, false) : std::nullopt;
    const auto at = entry ? FileOffset(sections, resources + *entry, kDataEntry) : std::nullopt;
    if (!at || !image.Has(*at, kDataEntry))
        return std::nullopt;
    const std::uint64_t size = image.Long(*at + 4);
    const auto data = FileOffset(sections, image.Long(*at), size);
    if (!data || !image.Has(*data, size))
        return std::nullopt;
    return std::make_pair(*data, size);
}

}  // namespace

ProgramVersion ReadProgramVersion(const unsigned char *bytes, size_t count, std::uint64_t fileSize)
{
    Image image(bytes, size_t(std::min<std::uint64_t>(count, fileSize)), fileSize);
    ProgramVersion version;
    if (const auto data = FindVersionData(image))
        ParseVersionInfo(image.At(data->first), size_t(data->second), &version);
    if (version.state != VersionState::kFound) {
        version.state = image.outOfReach() ? VersionState::kOutOfReach : VersionState::kNone;
        version.wanted = image.wanted();
    }
    return version;
}

std::string ProgramVersionText(const ProgramVersion &version)
{
    const unsigned *parts = version.fileVersion;
    std::string text = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]);
    return parts[3] ? text + "." + std::to_string(parts[3]) : text;
}

bool ProgramVersionBefore(const ProgramVersion &version, unsigned major, unsigned minor, unsigned patch)
{
    const unsigned *parts = version.fileVersion, other[4] = {major, minor, patch, 0};
    return version.state == VersionState::kFound && std::lexicographical_compare(parts, parts + 4, other, other + 4);
}

}  // namespace check
