// The processor types that setup information names, in one table: the ARM types that an
// ARMV4I device is, and the other families a package may be built for.
#pragma once

#include <string>

namespace check {

bool IsArmProcessor(unsigned long type);
// "any processor", "ARM 2577 (StrongARM)", "x86 586 (Pentium)", "processor type 9"...
std::string ProcessorText(unsigned long type);
// The ARM types, for messages and help: "1824 (ARM720), ... and 70001 (ARM7TDMI)".
std::string ArmProcessorList();

}  // namespace check
