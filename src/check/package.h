// What the device's installer will find in a package: read from the cabinet's own records,
// its setup information (the ".000" member, and the "_setup.xml" document that newer
// installers read) and whether a cabinet library read the whole cabinet through. A package
// is hostile input: every offset and length is checked before it is used.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cabinet_header.h"
#include "program_code.h"
#include "setup_info.h"
#include "text.h"

namespace check {

// kUnread: its records are sound, but its data is not read (CabinetFault's last ones).
enum class CabinetState { kOk, kNotACabinet, kDamaged, kUnread };
// The forms setup information comes in, in the order their facts are shown.
enum class SetupForm { k000, kXml, kNone };

enum class SetupState { kAbsent, kRead, kInvalid };
struct SetupReading {
    SetupState state = SetupState::kAbsent;
    SetupInfo info;                      // with kRead
    std::string why;                     // with kInvalid: one sentence
};

// A form of setup information that installers read: the member that holds it, and its reader.
struct SetupFormat {
    SetupForm form;
    bool (*holds)(const std::string &memberName);
    bool (*read)(const std::string &bytes, int codePage, SetupInfo *info, std::string *why);
    bool own;                            // the Windows CE 6 installer's own: when it is not
                                         // valid, the package is refused whatever else it holds
};
// Every form, SetupFormats()[i].form being SetupForm(i).
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
    SetupForm setup = SetupForm::kNone;  // k000 whenever a ".000" member is there, kXml when only the document is
    std::vector<SetupReading> readings;  // one for each of SetupFormats()
    SetupInfo info;                      // what the first valid reading says
    bool setupDll = false;               // a ".999" member, or a reading that says so
    std::optional<ProgramCode> setupDllCode;  // the ".999" member's
    std::vector<Disagreement> disagreements;  // between the first two valid readings
    std::string why;                     // why the cabinet is not ok, or has no setup: one sentence
    const SetupReading &Reading(SetupForm form) const;  // an absent one where none was read
    SetupState State(SetupForm form) const { return Reading(form).state; }
    bool AnyRead() const;                // some reading is valid
};

// A text a setup reading gives, decoded: the .000's in the device's code page, the
// document's as UTF-8.
Text SetupText(const SetupInfo &info, const std::string &bytes, int codePage);

// Each member's name and code, in cabinet order.
using MemberCodes = std::vector<std::pair<std::string, ProgramCode>>;

// Puts together what the cabinet's records, the library's read (of a cabinet without a
// fault), the kept members (name, bytes) and every member's code tell; texts of the .000
// decoded in the device's code page.
PackageFacts DescribePackage(const CabinetRecords &records, bool readThrough,
                             const std::vector<std::pair<std::string, std::string>> &kept,
                             const MemberCodes &codes = {}, int codePage = 1252);

}  // namespace check
