// The processor types of setup information (ce-package-contents.md, "Processor types"), each
// named by its family, its number and its own name, as "SH 10003 (SH3)".
#include "processors.h"

#include <cstring>
#include <vector>

namespace check {

namespace {

struct Processor {
    unsigned long type;
    const char *family;
    const char *name;
};

const Processor kProcessors[] = {
    {1824, "ARM", "ARM720"}, {2080, "ARM", "ARM820"}, {2336, "ARM", "ARM920"},
    {2577, "ARM", "StrongARM"}, {70001, "ARM", "ARM7TDMI"},
    {386, "x86", "i386"}, {486, "x86", "i486"}, {586, "x86", "Pentium"}, {686, "x86", "Pentium Pro"},
    {4000, "MIPS", "R4000"}, {103, "SH", "SH3"}, {104, "SH", "SH4"}, {10003, "SH", "SH3"},
    {10004, "SH", "SH3E"}, {10005, "SH", "SH4"}, {601, "PowerPC", "PPC601"},
    {603, "PowerPC", "PPC603"}, {604, "PowerPC", "PPC604"}, {620, "PowerPC", "PPC620"},
    {821, "PowerPC", "Motorola 821"}, {21064, "Alpha", "Alpha AXP"},
};

const Processor *Find(unsigned long type)
{
    for (const Processor &processor : kProcessors) {
        if (processor.type == type)
            return &processor;
    }
    return nullptr;
}

}  // namespace

bool IsArmProcessor(unsigned long type)
{
    const Processor *processor = Find(type);
    return processor != nullptr && std::strcmp(processor->family, "ARM") == 0;
}

std::string ProcessorText(unsigned long type)
{
    const Processor *processor = Find(type);
    if (type == 0)
        return "any processor";
    if (processor == nullptr)
        return "processor type " + std::to_string(type);
    return std::string(processor->family) + " " + std::to_string(type) + " (" + processor->name + ")";
}

std::string ArmProcessorList()
{
    std::vector<std::string> arm;
    for (const Processor &processor : kProcessors) {
        if (IsArmProcessor(processor.type))
            arm.push_back(std::to_string(processor.type) + " (" + processor.name + ")");
    }
    std::string list;
    for (size_t i = 0; i < arm.size(); i++)
        list += (i == 0 ? "" : i + 1 == arm.size() ? " and " : ", ") + arm[i];
    return list;
}

}  // namespace check
