// What the device's installer will make of a package: read from the cabinet's own header,
// its setup information (the ".000" member) and the member names that a cabinet library
// found on reading the whole cabinet through. A package is hostile input: every offset and
// length is checked before it is used.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace check {

enum class CabinetState { kOk, kNotACabinet, kDamaged };
enum class SetupForm { k000, kXml, kNone };
enum class Installs { kYes, kMaybe, kNo };

struct Version {
    unsigned long major = 0, minor = 0;  // the minor as stored: "4.20" is 20
};

struct SetupInfo {
    std::string app, provider;           // bytes, in the device's code page
    unsigned long processor = 0;         // 0: any
    Version osMin, osMax;                // 0.0: no bound
    unsigned long buildMin = 0, buildMax = 0;
    std::vector<std::string> unsupported;
};

struct PackageFacts {
    CabinetState cabinet = CabinetState::kDamaged;
    std::vector<int> compression;        // each folder's method, distinct, in order
    SetupForm setup = SetupForm::kNone;
    SetupInfo info;                      // with SetupForm::k000
    bool setup000 = false;               // a ".000" member is there, valid or not
    bool setupDll = false;               // a ".999" member: code the installer runs
    std::string why;                     // why the cabinet is not ok, or has no setup
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
// Puts together what the header, the library's read and the members tell.
PackageFacts DescribePackage(const CabinetHeader &header, bool readThrough,
                             const std::vector<std::string> &members,
                             const std::optional<std::string> &setup000);

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
