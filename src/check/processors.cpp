// The processor types of setup information. Only the ARM types carry a name of their own in
// the report; the other families are named by family.
#include "processors.h"

#include <vector>

namespace check {

namespace {

struct Processor {
    unsigned long type;
    const char *family;
    const char *name;   // for the ARM types
};

const Processor kProcessors[] = {
    {1824, "ARM", "ARM720"}, {2080, "ARM", "ARM820"}, {2336, "ARM", "ARM920"},
    {2577, "ARM", "StrongARM"}, {70001, "ARM", "ARM7TDMI"},
    {386, "x86", nullptr}, {486, "x86", nullptr}, {586, "x86", nullptr}, {686, "x86", nullptr},
    {4000, "MIPS", nullptr}, {103, "SH", nullptr}, {104, "SH", nullptr}, {10003, "SH", nullptr},
    {10004, "SH", nullptr}, {10005, "SH", nullptr}, {601, "PowerPC", nullptr},
    {603, "PowerPC", nullptr}, {604, "PowerPC", nullptr}, {620, "PowerPC", nullptr},
    {821, "PowerPC", nullptr}, {21064, "Alpha", nullptr},
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
    return processor != nullptr && processor->name != nullptr;
}

std::string ProcessorText(unsigned long type)
{
    const Processor *processor = Find(type);
    if (type == 0)
        return "any processor";
    if (processor == nullptr)
        return "processor type " + std::to_string(type);
    std::string text = std::string(processor->family) + " " + std::to_string(type);
    return processor->name != nullptr ? text + " (" + processor->name + ")" : text;
}

std::string ArmProcessorList()
{
    std::vector<std::string> arm;
    for (const Processor &processor : kProcessors) {
        if (processor.name != nullptr)
            arm.push_back(std::to_string(processor.type) + " (" + processor.name + ")");
    }
    std::string list;
    for (size_t i = 0; i < arm.size(); i++)
        list += (i == 0 ? "" : i + 1 == arm.size() ? " and " : ", ") + arm[i];
    return list;
}

}  // namespace check
