// The live tools' plain cores: controller floating-point words, the change
// value field, the ticks counter and the axis selection.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/axisselection.h"
#include "tools/ctrlfloat.h"
#include "tools/tickscounter.h"
#include "tools/valuefield.h"

namespace {

TEST(ControllerFloat, WordsConvertExactly)
{
    struct Case {
        std::uint32_t word;
        double value;
    } const cases[] = {
        {0x80000000u, 0.0},
        {0x80123456u, 0.0}, // exponent -128 is zero whatever the rest
        {0x00000000u, 1.0},
        {0x01000000u, 2.0},
        {0xFF000000u, 0.5},
        {0x00800000u, -2.0},
        {0x00400000u, 1.5},
        {0x00C00000u, -1.5},
        {0x7F800000u, -std::ldexp(1.0, 128)}, // beyond a single's range
        {0x7F000000u, std::ldexp(1.0, 127)},
        {0x81000000u, std::ldexp(1.0, -127)}, // below a single's normal range
        {0x81800000u, -std::ldexp(1.0, -126)},
        {0x007FFFFFu, 2.0 - std::ldexp(1.0, -23)},
        {0x00FFFFFFu, -(1.0 + std::ldexp(1.0, -23))}, // -(2 - (1 - 2^-23))
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value, ControllerFloatToDouble(c.word)) << std::hex << c.word;
}

TEST(ValueField, ParsesEachKindWithoutWrapping)
{
    struct Case {
        int kind;
        const char* text;
        std::optional<double> value;
    } const cases[] = {
        {kValueUnsigned, "", 0.0},
        {kValueUnsigned, "  ", 0.0},
        {kValueUnsigned, "150", 150.0},
        {kValueUnsigned, " 150 ", 150.0},
        {kValueUnsigned, "150abc", std::nullopt},
        {kValueUnsigned, "-5", std::nullopt},
        {kValueUnsigned, "1.5", std::nullopt},
        {kValueUnsigned, "4294967295", 4294967295.0},
        {kValueUnsigned, "4294967296", std::nullopt},
        {kValueUnsigned, "99999999999999999999999", std::nullopt},
        {kValueUnsigned, "+", std::nullopt},
        {kValueSigned, "-5", -5.0},
        {kValueSigned, "-2147483648", -2147483648.0},
        {kValueSigned, "2147483648", std::nullopt},
        {kValueSigned, "-2147483649", std::nullopt},
        {kValueSigned, "12x", std::nullopt},
        {kValueFloat, "2.5", 2.5},
        {kValueFloat, "-1e3", -1000.0},
        {kValueFloat, "1e39", std::nullopt},
        {kValueFloat, "0.1", static_cast<double>(0.1f)},
        {kValueFloat, "2.5x", std::nullopt},
        {kValueFloat, "inf", std::nullopt},
        {kValueFloat, "0x10", std::nullopt},
        {kValueFloat, ".", std::nullopt},
        {kValueDouble, "1e39", 1e39},
        {kValueDouble, "1e309", std::nullopt},
        {kValueDouble, "nan", std::nullopt},
    };
    for (const Case& c : cases) {
        CValueField field(c.kind);
        EXPECT_EQ(c.value, field.Parse(c.text)) << c.kind << " \"" << c.text << "\"";
    }
}

TEST(ValueField, RangeCheckAndTexts)
{
    CValueField polling(kValueUnsigned);
    ASSERT_TRUE(polling.SetRange(100, 10000));
    for (const char* text : {"50", "", "-5", "150abc", "10001"})
        EXPECT_FALSE(polling.Check(text).has_value()) << text;
    EXPECT_EQ(100.0, polling.Check("100"));
    EXPECT_EQ(10000.0, polling.Check("10000"));
    EXPECT_EQ("Value outside specified range(100 to 10000)", polling.OutOfRangeText());
    EXPECT_EQ("4000", polling.Format(4000));

    CValueField signedField(kValueSigned);
    ASSERT_TRUE(signedField.SetRange(-20, 20));
    EXPECT_EQ("(-20 to 20)", signedField.RangeText());
    EXPECT_EQ(-20.0, signedField.Check("-20"));

    CValueField real(kValueDouble);
    real.SetDecimals(3);
    ASSERT_TRUE(real.SetRange(-1.5, 2.25));
    EXPECT_EQ("(-1.500 to 2.250)", real.RangeText());
    EXPECT_EQ("0.125", real.Format(0.125));
    EXPECT_FALSE(real.Check("2.26").has_value());

    // A range or value the kind cannot hold is refused; the kind clears.
    EXPECT_FALSE(polling.SetRange(-1, 5));
    EXPECT_FALSE(polling.SetRange(10, 5));
    EXPECT_FALSE(polling.SetValue(1.5));
    EXPECT_TRUE(polling.SetValue(4000));
    polling.SetKind(kValueFloat);
    EXPECT_EQ(0.0, polling.GetValue());
    EXPECT_EQ(0.0, polling.GetMaximum());
}

TEST(TicksCounter, RelativeCountsDownFromTheZeroPointIn64Bits)
{
    CTicksCounter ticks;
    ticks.Take(5000);
    EXPECT_EQ(5000, ticks.Shown());
    ticks.Zero();
    EXPECT_EQ(0, ticks.Shown());
    ticks.Take(4990);
    EXPECT_EQ(10, ticks.Shown());
    ticks.SetRelative(false);
    EXPECT_EQ(4990, ticks.Shown());

    CTicksCounter wide;
    wide.Take(INT32_MAX);
    wide.Zero();
    wide.Take(INT32_MIN);
    EXPECT_EQ(std::int64_t{INT32_MAX} - INT32_MIN, wide.Shown());
}

TEST(AxisSelection, OpeningKeepsTheFirstAxesUpToTheLimit)
{
    CAxisSelection axes(10, 8);
    for (int axis = 0; axis < 10; ++axis)
        axes.SetSelected(axis, 1);
    axes.ApplyLimit();
    EXPECT_EQ(8, axes.CountSelected());
    for (int axis = 0; axis < 10; ++axis)
        EXPECT_EQ(axis < 8 ? 1 : 0, axes.IsSelected(axis)) << axis;

    EXPECT_EQ(CAxisSelection::kLimitReached, axes.Click(9));
    EXPECT_EQ(0, axes.IsSelected(9));
    EXPECT_EQ(CAxisSelection::kCleared, axes.Click(3));
    EXPECT_EQ(CAxisSelection::kSelected, axes.Click(9));
    EXPECT_EQ(8, axes.CountSelected());
    EXPECT_EQ(CAxisSelection::kOutside, axes.Click(10));
    EXPECT_EQ(CAxisSelection::kOutside, axes.Click(-1));
    axes.SetSelected(12, 1);
    EXPECT_EQ(0, axes.IsSelected(12));

    CAxisSelection many(200, 300);
    EXPECT_EQ(128, many.GetAxisCount());
    EXPECT_EQ(128, many.GetMostSelectable());
    many.SetSelected(127, 1);
    EXPECT_EQ(1, many.IsSelected(127));
    EXPECT_EQ(0, many.IsSelected(128));
}

TEST(AxisSelection, SelectArrayFlags)
{
    CSelectArray none;
    EXPECT_TRUE(none.IsNoneSelected());
    CSelectArray flags(4);
    EXPECT_TRUE(flags.IsNoneSelected());
    flags.At(3) = true;
    EXPECT_FALSE(flags.IsNoneSelected());
    flags.ClearAll();
    EXPECT_TRUE(flags.IsNoneSelected());
    EXPECT_ANY_THROW(flags.At(4)); // the framework's invalid-argument error
    EXPECT_ANY_THROW(flags.At(-1));
}

} // namespace
