// What the device's installer will make of a package: read from the cabinet's own header,
// its setup information (the ".000" member, and the "_setup.xml" document that newer
// installers read) and the member names that a cabinet library found on reading the whole
// cabinet through. A package is hostile input: every offset and length is checked before it
// is used.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop/desktop.h"

namespace check {

enum class CabinetState { kOk, kNotACabinet, kDamaged };
enum class SetupForm { k000, kXml, kNone };
enum class Installs { kYes, kMaybe, kNo };

struct Version {
    unsigned long major = 0, minor = 0;  // the minor as stored: "4.20" is 20
};

// What a setup format says of a package, the same whatever the format.
struct SetupInfo {
    std::string app, provider;           // bytes, in the device's code page (the document's: UTF-8)
    unsigned long processor = 0;         // 0: any
    Version osMin, osMax;                // 0.0: no bound
    unsigned long buildMin = 0, buildMax = 0;
    std::vector<std::string> unsupported;
    bool setupDll = false;               // code the installer runs
    bool utf8 = false;                   // its texts are UTF-8, not in the device's code page
};

enum class SetupState { kAbsent, kRead, kInvalid };
struct SetupReading {
    SetupState state = SetupState::kAbsent;
    SetupInfo info;                      // with kRead
    std::string why;                     // with kInvalid: one sentence
};

// A setup format that installers read: the member that holds it, and its reader.
struct SetupFormat {
    bool (*holds)(const std::string &memberName);
    bool (*read)(const std::string &bytes, SetupInfo *info, std::string *why);
    bool own;                            // the Windows CE 6 installer's own: when it is not
                                         // valid, the package is refused whatever else it holds
};
// Every format, in the order their facts are shown: the ".000" first.
const std::vector<SetupFormat> &SetupFormats();
// Chooses the members to keep of a cabinet, as a cabinet library meets them: the first
// member of each setup format.
std::function<bool(const std::string &memberName)> SetupMembers();

// Where two valid readings differ: the field and the value each gives, as text.
struct Disagreement {
    std::string field, first, second;
};

struct PackageFacts {
    CabinetState cabinet = CabinetState::kDamaged;
    std::vector<int> compression;        // each folder's method, distinct, in order
    SetupForm setup = SetupForm::kNone;  // k000 whenever a ".000" is there, kXml when only the document is
    std::vector<SetupReading> readings;  // one for each of SetupFormats()
    SetupInfo info;                      // what the first valid reading says
    bool setupDll = false;               // a ".999" member, or a reading that says so
    std::vector<Disagreement> disagreements;  // between the first two valid readings
    std::string why;                     // why the cabinet is not ok, or has no setup
    SetupState State(size_t format) const { return format < readings.size() ? readings[format].state : SetupState::kAbsent; }
    bool AnyRead() const;                // some reading is valid
};

// The cabinet's header and folder records, from the first bytes of the file.
struct CabinetHeader {
    bool signature = false;              // "MSCF"
    bool valid = false;                  // the records fit the bytes and make sense
    bool spanned = false;                // it continues in another cabinet file
    std::vector<int> compression;
};
CabinetHeader ReadCabinetHeader(const unsigned char *bytes, size_t count);
// Setup information; false with *why when it is cut short or an offset leads outside it.
bool ParseSetupInfo(const unsigned char *bytes, size_t count, SetupInfo *info, std::string *why);
// The document's Install characteristic, from its elements; false with *why when it has
// none or a value that is not what its parm takes.
bool SetupFromDocument(const std::vector<desktop::XmlElement> &elements, SetupInfo *info, std::string *why);
// The same from the document's bytes, through the platform's XML parser.
bool ReadSetupDocument(const std::string &bytes, SetupInfo *info, std::string *why);
// Puts together what the header, the library's read, the members and the kept members
// (name, bytes) tell.
PackageFacts DescribePackage(const CabinetHeader &header, bool readThrough,
                             const std::vector<std::string> &members,
                             const std::vector<std::pair<std::string, std::string>> &kept);

struct Verdict {
    Installs installs = Installs::kYes;
    std::string why;                     // one sentence; empty for kYes
};
// Whether a device of that version (and processor type, where known) takes the package.
Verdict Judge(const PackageFacts &facts, Version device, std::optional<unsigned long> processor);

// A program's PE header: its machine and subsystem; false for a file that is not a PE image.
// Wants at least the first wantedBytes bytes, which *wanted says when count is short of them.
bool ReadProgramHeader(const unsigned char *bytes, size_t count, unsigned *machine, unsigned *subsystem,
                       size_t *wanted);
bool IsDeviceProgram(unsigned machine, unsigned subsystem);  // Windows CE, ARM or Thumb, GUI

const char *CompressionName(int method);      // "none", "mszip", "quantum", "lzx"
bool IsArmProcessor(unsigned long type);
const char *ArmProcessorName(unsigned long type);  // "StrongARM" for 2577; null for no ARM type
std::string ProcessorText(unsigned long type);  // "any processor", "ARM 2577 (StrongARM)", "x86 586" ...
std::string VersionText(const Version &version);
std::string OsRangeText(const SetupInfo &info);
std::string BuildRangeText(const SetupInfo &info);  // "OS builds 100 to 200"; empty for no bound  // "OS 4.0 to 5.99", "OS 5.0 and later" ...

}  // namespace check
