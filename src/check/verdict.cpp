// The verdict on a package: each valid setup reading judged against the device, the stricter
// verdict given. An invalid reading of the installer's own format refuses the package;
// another is a doubt when nothing else is valid, else only a note. A cabinet whose data is
// not read is a doubt too, unless it holds no setup information at all. Then come what the
// readings say together: the device's platform, the setup DLL's code, and a document that
// only configures the device.
#include "verdict.h"

#include "processors.h"
#include "program_code.h"

namespace check {

namespace {

// The stricter of two verdicts: a refusal over a doubt over a yes; the first of equals.
Verdict Stricter(const Verdict &a, const Verdict &b) { return int(b.installs) > int(a.installs) ? b : a; }

bool Below(const Version &a, const Version &b)
{
    return a.major != b.major ? a.major < b.major : a.minor < b.minor;
}

// The verdict that the setup information alone gives.
Verdict JudgeSetup(const SetupInfo &info, const Device &target)
{
    const Version device = target.version;
    const std::optional<unsigned long> processor = target.processor;
    if (info.processor != 0 && !IsArmProcessor(info.processor))
        return {Installs::kNo, "it is built for " + ProcessorText(info.processor) + ", not for an ARM device"};
    bool low = info.osMin.major || info.osMin.minor, high = info.osMax.major || info.osMax.minor;
    if ((low && Below(device, info.osMin)) || (high && Below(info.osMax, device)))
        return {Installs::kNo, "it is built for " + OsRangeText(info) + ", and the device runs " + VersionText(device)};
    if (processor && info.processor != 0 && info.processor != *processor)
        return {Installs::kMaybe, "it is built for " + ProcessorText(info.processor) + " and the device reports "
                                      + ProcessorText(*processor) + ": how strictly the installer compares ARM types "
                                      "is not documented"};
    std::string builds = BuildRangeText(info);
    if (!builds.empty())
        return {Installs::kMaybe, "it is built for " + builds + ", and the device's build is not known here"};
    return {};
}

// The .000 splits its unsupported platforms, and a name there refuses the device; the
// document runs them together (ce-package-contents.md), so a name found inside leaves doubt,
// and only where no .000 gives a list.
Verdict JudgePlatform(const PackageFacts &facts, const Device &device)
{
    if (device.platform.empty() || !facts.AnyRead())
        return {};
    const Text platform = desktop::FoldCase(device.platform);
    bool split = false;
    for (const SetupReading &reading : facts.readings)
        split = split || (reading.state == SetupState::kRead && !reading.info.unsupportedJoined);
    for (const SetupReading &reading : facts.readings) {
        if (reading.state != SetupState::kRead || reading.info.unsupportedJoined == split)
            continue;
        for (const std::string &name : reading.info.unsupported) {
            const Text folded = desktop::FoldCase(SetupText(reading.info, name, device.codePage));
            if (split && folded == platform)
                return {Installs::kNo, "it lists the device's platform, " + Quoted(device.platform)
                                           + ", among those it does not support"};
            if (!split && folded.find(platform) != Text::npos)
                return {Installs::kMaybe, "its _setup.xml runs the platforms it does not support together, as "
                                              + Quoted(SetupText(reading.info, name, device.codePage)) + ", and the "
                                              "device's, " + Quoted(device.platform) + ", is found inside"};
        }
    }
    return {};
}

// A setup DLL of native code for another processor is one the installer cannot load.
Verdict JudgeSetupDll(const PackageFacts &facts)
{
    if (!facts.setupDllCode || !IsForeign(*facts.setupDllCode))
        return {};
    return {Installs::kNo, "its setup DLL is " + CodeText(*facts.setupDllCode) + ", which the installer of an ARM "
                           "device cannot load"};
}

// A document without an Install characteristic, where no .000 gives the header.
Verdict JudgeConfiguration(const PackageFacts &facts)
{
    for (const SetupReading &reading : facts.readings) {
        if (reading.state == SetupState::kRead && !reading.info.configuration)
            return {};
    }
    return {Installs::kMaybe, "it is a configuration package, whose _setup.xml has no Install characteristic: "
                              "whether the installer takes one is not known here"};
}

}  // namespace

Verdict Judge(const PackageFacts &facts, const Device &device)
{
    // Setup information that is there but not read leaves the installer's answer open.
    if (facts.cabinet == CabinetState::kUnread && facts.setup != SetupForm::kNone)
        return {Installs::kMaybe, facts.why};
    if (facts.cabinet != CabinetState::kOk || facts.setup == SetupForm::kNone)
        return {Installs::kNo, facts.why};
    bool anyValid = facts.AnyRead();
    Verdict verdict;
    for (size_t i = 0; i < facts.readings.size(); i++) {
        const SetupReading &reading = facts.readings[i];
        if (reading.state == SetupState::kRead)
            verdict = Stricter(verdict, JudgeSetup(reading.info, device));
        else if (reading.state == SetupState::kInvalid && (SetupFormats()[i].own || !anyValid))
            verdict = Stricter(verdict, {SetupFormats()[i].own ? Installs::kNo : Installs::kMaybe, reading.why});
    }
    verdict = Stricter(verdict, JudgePlatform(facts, device));
    verdict = Stricter(verdict, JudgeSetupDll(facts));
    return anyValid ? Stricter(verdict, JudgeConfiguration(facts)) : verdict;
}

}  // namespace check
