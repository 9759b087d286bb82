/* Unsigned division for the build with GNU tools: GCC for ARM calls these helpers, and its
 * own libgcc is ELF, which the device's PE link cannot take. ARMv4T has no divide
 * instruction, so this is the shift-and-subtract long division libgcc does. */
static unsigned DivideWithRemainder(unsigned dividend, unsigned divisor, unsigned *remainder)
{
    unsigned quotient = 0, rest = 0;
    for (int bit = 31; bit >= 0; bit--) {
        rest = rest << 1 | (dividend >> bit & 1);
        if (rest >= divisor) {
            rest -= divisor;
            quotient |= 1u << bit;
        }
    }
    *remainder = rest;
    return quotient;
}

extern "C" unsigned __aeabi_uidiv(unsigned dividend, unsigned divisor)
{
    unsigned remainder;
    return DivideWithRemainder(dividend, divisor, &remainder);
}

/* The quotient comes back in r0 and the remainder in r1: the two halves of a 64-bit result,
 * a type C++98 lacks but GCC has. */
#pragma GCC diagnostic ignored "-Wlong-long"
typedef unsigned long long QuotientAndRemainder;

extern "C" QuotientAndRemainder __aeabi_uidivmod(unsigned dividend, unsigned divisor)
{
    unsigned remainder;
    unsigned quotient = DivideWithRemainder(dividend, divisor, &remainder);
    return (QuotientAndRemainder)remainder << 32 | quotient;
}
