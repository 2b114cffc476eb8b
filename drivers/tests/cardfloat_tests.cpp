// The card's floats against IEEE singles, both ways, and against the value
// formula over every exponent.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "pci/cardfloat.h"

namespace {

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

// The card's value by its formula, exactly (double holds it).
double CardValue(uint32_t card)
{
    const int exponent = static_cast<int8_t>(card >> 24);
    const bool negative = (card & 0x00800000u) != 0;
    const double fraction = (card & 0x007FFFFFu) / 8388608.0;
    if (exponent == -128)
        return 0.0;
    return negative ? -(2.0 - fraction) * std::ldexp(1.0, exponent) : (1.0 + fraction) * std::ldexp(1.0, exponent);
}

TEST(CardFloatTest, KnownValuesConvertBothWays)
{
    struct Row {
        uint32_t card;
        float value;
        bool back; // the IEEE value converts back to the same card word
    };
    const Row rows[] = {
        {0x80000000u, 0.0f, true},  {0x00000000u, 1.0f, true},  {0x01000000u, 2.0f, true},
        {0x00400000u, 1.5f, true},  {0xFF800000u, -1.0f, true}, {0xFF000000u, 0.5f, true},
        {0x00C00000u, -1.5f, true}, {0x80123456u, 0.0f, false}, // any E = -128 is zero
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.card);
        EXPECT_EQ(Bits(row.value), vx_card_to_ieee(row.card));
        if (row.back) {
            EXPECT_EQ(row.card, vx_ieee_to_card(Bits(row.value)));
        }
    }
}

TEST(CardFloatTest, SpecialIeeeValues)
{
    EXPECT_EQ(0x80000000u, vx_ieee_to_card(Bits(-0.0f)));
    EXPECT_EQ(0x80000000u, vx_ieee_to_card(0x00000001u)); // a subnormal
    EXPECT_EQ(0x80000000u, vx_ieee_to_card(0x7FC00000u)); // NaN
    // Infinities become the card's largest values of their sign.
    EXPECT_EQ(0x7F7FFFFFu, vx_ieee_to_card(Bits(INFINITY)));
    EXPECT_EQ(0x7F800000u, vx_ieee_to_card(Bits(-INFINITY)));
    EXPECT_EQ(Bits(-INFINITY), vx_card_to_ieee(0x7F800000u)); // -2^128 is beyond every single
    EXPECT_EQ(Bits(FLT_MAX), vx_card_to_ieee(0x7F7FFFFFu));
}

TEST(CardFloatTest, EveryExponentMatchesTheValueFormula)
{
    const uint32_t fractions[] = {0, 1, 2, 3, 0x400000, 0x7FFFFE, 0x7FFFFF, 0x123457};
    for (int exponent = -127; exponent <= 127; ++exponent) {
        for (uint32_t sign : {0u, 1u}) {
            for (uint32_t fraction : fractions) {
                const uint32_t card = static_cast<uint32_t>(static_cast<uint8_t>(exponent)) << 24 | sign << 23 | fraction;
                SCOPED_TRACE(testing::Message() << std::hex << card);
                // The nearest single (round to nearest even, subnormals
                // and overflow to infinity included).
                const float expected = static_cast<float>(CardValue(card));
                ASSERT_EQ(Bits(expected), vx_card_to_ieee(card));
                // A single that is a normal number goes back unchanged.
                if (std::isnormal(expected) && static_cast<double>(expected) == CardValue(card)) {
                    ASSERT_EQ(card, vx_ieee_to_card(Bits(expected)));
                }
            }
        }
    }
}

} // namespace
