// The number a change value dialog asks for: its kind, range and value, and
// how its text is read, checked and shown. Plain C++.
#pragma once

#include <optional>
#include <string>

enum ValueKind : int {
    kValueSigned = 0,   // 32-bit signed integer
    kValueUnsigned = 1, // 32-bit unsigned integer
    kValueFloat = 2,    // single precision
    kValueDouble = 3,   // double precision
};

class CValueField {
public:
    explicit CValueField(int kind = kValueUnsigned) { SetKind(kind); }

    int GetKind() const { return m_kind; }
    // A kind outside 0..3 is taken as unsigned. Clears value and range.
    void SetKind(int kind);
    // Decimal places of the floating kinds (0..15).
    void SetDecimals(int decimals);
    int GetDecimals() const { return m_decimals; }

    // Accepted when both ends are values of the kind and minimum <= maximum.
    bool SetRange(double minimum, double maximum);
    double GetMinimum() const { return m_minimum; }
    double GetMaximum() const { return m_maximum; }
    // Accepted when the value is one of the kind.
    bool SetValue(double value);
    double GetValue() const { return m_value; }

    // Whether value is a value of the kind (an integer of its width, a
    // finite number a float holds).
    bool Fits(double value) const;
    // The text's value: an empty or blank text is 0; white space around the
    // number is allowed; anything else behind it, a number of another kind
    // ("-5" or "1.5" for unsigned) or one beyond the kind gives nothing
    // (never a wrapped value).
    std::optional<double> Parse(const std::string& text) const;
    // The text parsed and within minimum..maximum (both inclusive).
    std::optional<double> Check(const std::string& text) const;

    // "%d", "%u", or fixed point with the decimals.
    std::string Format(double value) const;
    // "(100 to 10000)"; fixed point for the floating kinds.
    std::string RangeText() const;
    // "Value outside specified range" and the range text.
    std::string OutOfRangeText() const;

private:
    int m_kind = kValueUnsigned;
    int m_decimals = 2;
    double m_minimum = 0.0;
    double m_maximum = 0.0;
    double m_value = 0.0;
};
