#include "ui/DialogUnits.h"

#include <cstdint>
#include <limits>

int dialog_units::MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    std::int64_t quotient = product / denominator;
    const std::int64_t remainder = product % denominator;
    // Division truncates toward zero; step one further away from zero when the
    // dropped part is at least half the divisor.
    const std::int64_t absRemainder = remainder < 0 ? -remainder : remainder;
    const std::int64_t absDenominator = denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    if (2 * absRemainder >= absDenominator) quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min()) return -1;
    return static_cast<int>(quotient);
}

CharCell AverageCharSize(int sampleWidth, int sampleHeight) {
    return CharCell{sampleWidth / kAverageCharSampleLength, sampleHeight};
}
