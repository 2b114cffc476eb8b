// The runtime's vocabulary: the keyword, parameter, modifier and constant
// tables, the name look-up the lexer uses, and the TOKENTABLE listing.
//
// A keyword's row number is the token byte that stands for it in a token
// line; a parameter's, modifier's or constant's row number follows its
// token code (kTokParameter, kTokModifier, kTokConstant). A name may hold
// aliases separated by "|" ("COPY|CP"): every alias is recognised and the
// first is the one listed. Each table ends with a row whose name is "".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "simulator/runtime/tokens.h"

namespace qcrt {

// Every keyword handler takes the text (token line or code), the read
// position in it, advanced past what the handler consumes, the end of the
// code (the handler reads no byte at or beyond it) and the number of the
// process that executes it. It reports failure only by setting the process's
// error number; a function leaves its value in the process's result.
using KeywordHandler = void (*)(const uint8_t* text, int& position, int limit, int process);

// Keyword flags.
constexpr uint32_t kKwStatement = 1u << 0;     // "c": begins a statement
constexpr uint32_t kKwOperator = 1u << 1;      // "o": infix operator (classes 30, 31, 32, 34)
constexpr uint32_t kKwFunction = 1u << 2;      // "f": may stand in an expression
constexpr uint32_t kKwBracketed = 1u << 3;     // "b": arguments in brackets
constexpr uint32_t kKwInProgram = 1u << 4;     // "r": allowed in a stored program
constexpr uint32_t kKwOnCommandLine = 1u << 5; // allowed on the command line
constexpr uint32_t kKwChannel = 1u << 6;       // may be followed by "#" and a channel
constexpr uint32_t kKwNameFollows = 1u << 7;   // the next word is a program name
constexpr int kKwShortFormShift = 8;           // bits 8 to 15: "?", "@" or "&"
constexpr uint32_t kKwLongText = 1u << 16;     // quoted texts may exceed 15 characters
constexpr uint32_t kKwFlowControl = 1u << 17;  // a jump re-reads the line header
constexpr uint32_t kKwOwnArguments = 1u << 19; // the handler reads its own arguments
constexpr int kKwModeShift = 20;               // bit 20 + m: recognised in lexer mode m

// Keyword classes.
enum : int32_t {
    kClassOrdinary = 0,
    kClassIf = 3,
    kClassThen = 4,
    kClassElse = 5,
    kClassElseIf = 6,
    kClassEndIf = 7,
    kClassPrint = 8,
    kClassStringFunction = 9,
    kClassGet = 10,
    kClassInput = 11,
    kClassLineInput = 12,
    kClassKey = 13,
    kClassAssignable = 14, // VR, AOUT
    kClassFor = 15,
    kClassTo = 16,
    kClassStep = 17,
    kClassNext = 18,
    kClassWhile = 19,
    kClassWend = 20,
    kClassRepeat = 21,
    kClassUntil = 22,
    kClassWait = 23,
    kClassIdle = 24,
    kClassLoaded = 25,
    kClassOn = 26,
    kClassGoto = 27,
    kClassGosub = 28,
    kClassBasicError = 29,
    kClassAnd = 30,
    kClassOr = 31,
    kClassXor = 32,
    kClassNot = 33,
    kClassMod = 34,
    kClassTime = 35,
    kClassDate = 36,
    kClassDay = 37,
    kClassInclude = 39,
};

struct TokenDescriptor {
    const char* name;
    int32_t classCode;
    uint32_t modifierMask; // modifier bits that may follow (error 22 otherwise)
    int32_t minQuoted;
    int32_t maxQuoted;
    int32_t minArguments;
    int32_t maxArguments;
    KeywordHandler handler;
    uint32_t flags;

    bool Has(uint32_t flag) const { return (flags & flag) != 0; }
    char ShortForm() const { return static_cast<char>((flags >> kKwShortFormShift) & 0xFF); }
    bool InMode(int mode) const { return mode >= 0 && mode < 4 && (flags >> (kKwModeShift + mode) & 1u) != 0; }
};

// Parameter flags: bit 0 writable, bits 1 to 5 the value kind, bit 6
// reserved on this controller.
constexpr uint32_t kParWritable = 1u << 0;
constexpr uint32_t kParReserved = 1u << 6;

struct ParameterDescriptor {
    const char* name;
    uint32_t modifiers; // modifier bits the parameter accepts
    uint32_t mask;      // applied when a value is written; all ones for none
    int32_t axisSlot;   // word of the axis record, -1 when kept elsewhere
    uint32_t flags;

    bool Writable() const { return (flags & kParWritable) != 0; }
    bool Reserved() const { return (flags & kParReserved) != 0; }
    int ValueKind() const { return static_cast<int>((flags >> 1) & 0x1F); }
};

struct ModifierDescriptor {
    const char* name;
    int32_t minArguments;
    int32_t maxArguments;
    uint32_t bit;
};

struct ConstantDescriptor {
    const char* name;
    float value;
};

constexpr int kParameterRows = 170;
constexpr int kModifierRows = 4;
constexpr int kConstantRows = 4;

// Modifier rows and bits.
constexpr int kModifierAxis = 0;
constexpr int kModifierProc = 1;
constexpr int kModifierSlot = 2;
constexpr int kModifierPort = 3;

extern const TokenDescriptor g_Keywords[kKeywordRows + 1];
extern const ParameterDescriptor g_Parameters[kParameterRows + 1];
extern const ModifierDescriptor g_Modifiers[kModifierRows + 1];
extern const ConstantDescriptor g_Constants[kConstantRows + 1];

// The name a listing shows: the first alias, at most 16 characters.
std::string ListedName(const char* name);

// Name look-up (the word in upper case). Every alias is found; when two rows
// carry the same name the first row is found.
enum class NameKind : uint8_t { Keyword, Parameter, Modifier, Constant };
struct NameMatch {
    NameKind kind;
    int row;
};
bool LookUpName(std::string_view word, NameMatch& match);
int FindKeyword(std::string_view word);
int FindParameter(std::string_view word);
int FindModifier(std::string_view word);
int FindConstant(std::string_view word);

// The keyword rows the lexer and the line compiler treat specially, found by
// walking the keyword table: the short forms "?", "@", "&" and the rows of
// classes 3 (IF), 5 (ELSE) and 6 (ELSEIF).
struct SpecialKeywords {
    int print;
    int appendProgram;
    int editProgram;
    int ifRow;
    int elseRow;
    int elseIfRow;
};
void FindSpecialKeywords();
const SpecialKeywords& GetSpecialKeywords();

// Keyword handlers of this module.
void ListTokenTable(const uint8_t* text, int& position, int limit, int process); // TOKENTABLE
void KeywordNoOperation(const uint8_t* text, int& position, int limit, int process);

// Writes the TOKENTABLE listing to the process's output channel.
void PrintTokenTable(int process);

} // namespace qcrt
