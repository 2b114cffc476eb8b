// CCrcCalculator: table-driven CRCs under a few named models.
//
// The engine is the augmented-register form: message bytes are shifted into
// the register and the register is flushed with width/8 zero bytes when the
// value is read. The values therefore follow from the model parameters as
// written in the model table, and for "X25", "ARC" and "XMODEM" differ from
// the published catalogue models of those names. The packet framing and the
// fast load use "CRC-16" (width 16, polynomial 0x8005, initial value 0, not
// reflected), which gives 0xFEE8 for "123456789".
//
// Use: SelectModel, Reset, any number of updates, GetValue. The calculator
// is ready for use with the first model ("X25") from construction.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/types.h"

struct CrcModel {
    char name[12];
    std::uint32_t width;
    std::uint32_t polynomial;
    std::uint32_t initialValue;
    std::uint32_t reflectInput;
    std::uint32_t reflectOutput;
};

// The models, in order, ended by a row with an empty name.
extern const CrcModel g_crcModels[];

class CCrcCalculator {
public:
    CCrcCalculator();
    virtual ~CCrcCalculator() = default;

    // Selects the first model whose name equals name exactly (case counts)
    // and builds its table. An unknown name returns FALSE and changes
    // nothing.
    BOOL SelectModel(LPCSTR name);
    const CrcModel& GetModel() const { return *m_model; }

    // Register = the model's initial value.
    void Reset();
    CCrcCalculator& Update(const void* bytes, std::size_t count);
    // The text's bytes without the terminator, then the byte 0xAA.
    CCrcCalculator& UpdateString(LPCSTR text);
    // The CRC of everything fed since Reset; can be read again.
    std::uint32_t GetValue() const;

private:
    void BuildTable();

    const CrcModel* m_model;
    std::uint32_t m_table[256];
    std::uint32_t m_register = 0;
};

// The check value of a program's lines as the controller computes it:
// "CRC-16" over each line followed by the byte 0xAA; no lines count as one
// empty line (a new program holds one).
std::uint16_t ProgramLinesCrc(const std::vector<std::string>& lines);
