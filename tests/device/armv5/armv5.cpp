unsigned LeadingZeros(unsigned value)
{
    unsigned zeros;
    __asm__("clz %0, %1" : "=r"(zeros) : "r"(value));
    return zeros;
}
