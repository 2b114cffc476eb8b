#include "ui/numbertext.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace {

TEST(NumberText, TidyFractionDigitsDropsZerosAndNoiseOnlyAfterAPoint)
{
    const struct {
        const char* in;
        const char* out;
        int acted;
    } cases[] = {
        {"1.200000001", "1.2", 1}, {"2.50000", "2.5", 1},
        {"3.", "3.0", 1},          {"0.000", "0.0", 1},
        {"1.5e10", "1.5e10", 0},   {"100", "100", 0},
        {"-40", "-40", 0},         {"1.2300001", "1.23", 1},
        {"1.0001", "1.0001", 1},   {"12.000000005", "12.000000005", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        CString text(c.in);
        EXPECT_EQ(c.acted, TidyFractionDigits(text));
        EXPECT_STREQ(c.out, text);
    }
}

TEST(NumberText, TidyTrailingNinesCarriesTheRunIntoTheDigitBefore)
{
    const struct {
        const char* in;
        const char* out;
        int acted;
    } cases[] = {
        {"1.2345678998", "1.2345679", 1}, {"0.4999999", "0.5", 1},   {"1.25", "1.25", 1},
        {"1234.9999999", "1235.0", 1},    {"-0.4999999", "-0.5", 1}, {"9.9999999", "10.0", 1},
        {"-99.999999", "-100.0", 1},      {"100", "100", 0},         {"4.99e9", "4.99e9", 0},
        {"0.1999999998", "0.2", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        CString text(c.in);
        EXPECT_EQ(c.acted, TidyTrailingNines(text));
        EXPECT_STREQ(c.out, text);
    }
}

TEST(NumberText, TidyNumberTextKeepsTheExponentPart)
{
    EXPECT_STREQ("1.25e-07", TidyNumberText("1.2500000e-07"));
    EXPECT_STREQ("2.5e3", TidyNumberTextNines("2.4999999e3"));
    EXPECT_STREQ("7", TidyNumberText("7"));
}

TEST(NumberText, SplitDecimalExponent)
{
    const struct {
        double x;
        double mantissa;
        int exponent;
    } cases[] = {
        {-1234.5, -1.2345, 3}, {0.0, 0.0, 0}, {0.00125, 1.25, -3}, {9.99, 9.99, 0}, {10.0, 1.0, 1}, {1.0, 1.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        double mantissa = 99;
        int exponent = 99;
        SplitDecimalExponent(c.x, mantissa, exponent);
        EXPECT_NEAR(c.mantissa, mantissa, 1e-12);
        EXPECT_EQ(c.exponent, exponent);
    }
    // A value that is not finite comes back at once instead of looping.
    double mantissa = 0;
    int exponent = 5;
    SplitDecimalExponent(HUGE_VAL, mantissa, exponent);
    EXPECT_EQ(0, exponent);
}

TEST(NumberText, ToleranceAndRounding)
{
    EXPECT_TRUE(AreNearlyEqual(100.0, 100.5, 0.01, false));
    EXPECT_FALSE(AreNearlyEqual(100.0, 102.0, 0.01, false));
    EXPECT_TRUE(AreNearlyEqual(100.0, 101.0, 1.0, true)); // bounds included
    EXPECT_FALSE(AreNearlyEqual(-100.0, -102.0, 0.01, false));
    EXPECT_TRUE(AreNearlyEqualBounded(0.0, 0.001, 0.01, 0.005));
    EXPECT_FALSE(AreNearlyEqualBounded(0.0, 0.01, 0.01, 0.005));
    EXPECT_DOUBLE_EQ(1.25, RoundToDecimals(1.2451, 2));
    EXPECT_DOUBLE_EQ(-1.0, RoundToDecimals(-1.4, 0));
    EXPECT_DOUBLE_EQ(1.23, TruncateToDecimals(1.239, 2));
    EXPECT_DOUBLE_EQ(-1.23, TruncateToDecimals(-1.239, 2));
}

TEST(NumberText, FormatFittedPicksTheShorterForm)
{
    const struct {
        double x;
        int maxChars;
        const char* out;
    } cases[] = {
        {1.5, 8, "1.5"},
        {0.0, 8, "0.0"},
        {100.0, 8, "100.0"},
        {1.25e-7, 8, "1.25e-7"},
        // Digits beyond a double's precision are not shown as noise.
        {0.1, 8, "0.1"},
        {1.2345678, 20, "1.2345678"},
        // Nines that are the value's own digits stay.
        {1.9, 12, "1.9"},
        {0.9, 12, "0.9"},
        {9.9, 12, "9.9"},
        {2.99, 12, "2.99"},
        {19.9, 12, "19.9"},
        {-0.9, 12, "-0.9"},
        {0.0999, 12, "0.0999"},
        {1.9e-7, 8, "1.9e-7"},
        // A run of nines at a double's precision is rounding noise.
        {1.23456789999999, 20, "1.2345679"},
        {0.999999999999999, 20, "1.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        EXPECT_STREQ(c.out, FormatFitted(c.x, c.maxChars));
    }
}

TEST(NumberText, FormatDoubleTextFillsTheWidth)
{
    const struct {
        double x;
        int width;
        const char* out;
    } cases[] = {
        {1.5, 8, "1.500000"},          {-2.25, -1, "-2.2500000"}, {3.0, 3, "3.0000"},
        {123456789.0, 8, "1.235e+08"}, {12.5, 10, "12.5000000"},  {0.0, 6, "0.0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        EXPECT_STREQ(c.out, FormatDoubleText(c.x, c.width));
    }
}

TEST(NumberText, FormatNumberTextFitsTheViewersCells)
{
    const struct {
        double x;
        int width;
        bool exponent;
        const char* out;
    } cases[] = {
        {1.5, 10, true, "1.5"},
        {0.0, 10, true, "0.0"},
        {100.0, 10, true, "100.0"},
        {-2.75, 10, true, "-2.75"},
        {1234.5678, 8, true, "1234.567"},
        {0.000012345, 10, true, "1.2345e-5"},
        {0.000012345, 12, true, "0.000012345"},
        {123456789012.0, 8, true, "1.23#e11"},
        {123456789012.0, 8, false, "########"},
        {1.7976913371691808e303, 8, true, "########"},
        {5.0, 2, true, "##"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        const CString text = FormatNumberText(c.x, c.width, c.exponent, 10, 10);
        EXPECT_STREQ(c.out, text);
        EXPECT_LE(text.GetLength(), c.width);
    }
}

} // namespace
