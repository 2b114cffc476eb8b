#include "simulator/runtime/program_store.h"

#include <algorithm>
#include <cstring>

#include "simulator/runtime/checksums.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tokens.h"

namespace qcrt {

namespace {

// Words of a directory entry.
enum : int {
    kWordName = 0, // four words
    kWordSourceStart = 4,
    kWordSourceEnd = 5,
    kWordCodeEnd = 6,
    kWordRunCount = 7,
    kWordLock = 8,
    kWordRunType = 9,
    kWordRunProcess = 10,
    kWordType = 11,
    kWordIncludeMask = 12,
};

// The offsets of a program that move with its bytes.
constexpr int kOffsetWords[] = {kWordSourceStart, kWordSourceEnd, kWordCodeEnd};

struct StoreState {
    uint32_t directory[kDirectoryWords]; // mirror of the image's directory
    int32_t programEnd = static_cast<int32_t>(kProgramAreaStart);
    uint32_t checksum = 0;
    int selected = -1;
    bool directoryLocked = false;
    bool memoryProtected = false;
};

StoreState g_Store;

bool ValidProgram(int program)
{
    return program >= 0 && program < kProgramCount;
}

uint32_t Word(int program, int word)
{
    return g_Store.directory[program * kDirectoryEntryWords + word];
}

int32_t Offset(int program, int word)
{
    return static_cast<int32_t>(Word(program, word));
}

void StoreChecksumWord()
{
    int position = static_cast<int>(kMemoryChecksumOffset);
    Put32(g_MemoryBase, position, static_cast<int32_t>(g_Store.checksum));
}

// Every directory word is written here: mirror, image and checksum together.
void WriteWord(int program, int word, uint32_t value)
{
    int index = program * kDirectoryEntryWords + word;
    g_Store.checksum += value - g_Store.directory[index];
    g_Store.directory[index] = value;
    int position = index * 4;
    Put32(g_MemoryBase, position, static_cast<int32_t>(value));
    StoreChecksumWord();
}

void WriteProgramEnd(int32_t end)
{
    const int32_t before = g_Store.programEnd;
    g_Store.checksum += static_cast<uint32_t>(end) - static_cast<uint32_t>(g_Store.programEnd);
    g_Store.programEnd = end;
    int position = static_cast<int>(kProgramTopOffset);
    Put32(g_MemoryBase, position, end);
    StoreChecksumWord();
    // The bytes given back are the TABLE's places again.
    if (end < before)
        RewriteTableMirror(end, before);
}

int32_t MemoryEnd()
{
    return static_cast<int32_t>(g_MemorySize);
}

char ToUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// A program name as the store keeps it: upper case, 1 to 15 printable
// characters. False for any other text.
bool NormaliseName(std::string_view name, std::string& out)
{
    if (name.empty() || name.size() > static_cast<size_t>(kProgramNameLength))
        return false;
    out.clear();
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126)
            return false;
        out += ToUpper(c);
    }
    return true;
}

bool IsPrintableName(const uint8_t* bytes)
{
    if (bytes[0] == 0)
        return false;
    for (int n = 0; n < 16 && bytes[n] != 0; ++n) {
        if (bytes[n] < 32 || bytes[n] > 126)
            return false;
    }
    return true;
}

void WriteName(int program, std::string_view name)
{
    uint8_t bytes[16] = {};
    std::memcpy(bytes, name.data(), std::min(name.size(), size_t{kProgramNameLength}));
    for (int w = 0; w < 4; ++w) {
        int position = w * 4;
        WriteWord(program, kWordName + w, static_cast<uint32_t>(Get32(bytes, position)));
    }
}

void ClearEntry(int program)
{
    for (int w = 0; w < kDirectoryEntryWords; ++w)
        WriteWord(program, w, 0);
    ForgetCompiledProgram(program);
}

bool RequireProgram(int program, int process)
{
    if (ProgramExists(program))
        return true;
    SetProcessError(process, kErrProgramNotFound);
    return false;
}

// Bytes are moved only while the directory is sound: offsets outside the
// program area (a corrupt image) would move bytes outside the image.
bool CheckDirectorySound(int process)
{
    if (!DirectoryValid()) {
        SetProcessError(process, kErrDirectoryStructureInvalid);
        return false;
    }
    return true;
}

// The checks every operation that changes the store makes first.
bool CheckChangeAllowed(int process)
{
    if (g_Store.directoryLocked || g_Store.memoryProtected) {
        SetProcessError(process, kErrDirectoryLocked);
        return false;
    }
    return CheckDirectorySound(process);
}

// Shifts the offsets of every program for bytes opened at position (count
// above 0) or closed at position (count below 0). Opening moves every offset
// above the position; closing moves every offset behind the closed bytes and
// collapses offsets inside them onto the position.
void ShiftOffsets(int32_t position, int32_t count)
{
    for (int p = 0; p < kProgramCount; ++p) {
        if (!ProgramExists(p))
            continue;
        for (int word : kOffsetWords) {
            int32_t offset = Offset(p, word);
            int32_t moved = offset;
            if (count > 0 && offset > position)
                moved = offset + count;
            else if (count < 0 && offset >= position - count)
                moved = offset + count;
            else if (count < 0 && offset > position)
                moved = position;
            if (moved != offset)
                WriteWord(p, word, static_cast<uint32_t>(moved));
        }
    }
}

// True when a program other than the given one runs and lies at or above the
// position: its bytes would move under it.
bool RunningProgramAbove(int32_t position)
{
    for (int p = 0; p < kProgramCount; ++p) {
        if (ProgramExists(p) && Word(p, kWordRunCount) != 0 && Offset(p, kWordCodeEnd) > position)
            return true;
    }
    return false;
}

// The program whose source holds the position, or -1.
int ProgramOfPosition(int32_t position)
{
    for (int p = 0; p < kProgramCount; ++p) {
        if (ProgramExists(p) && position >= Offset(p, kWordSourceStart) && position < Offset(p, kWordSourceEnd))
            return p;
    }
    return -1;
}

// True when the position is the start of a line record of the program (the
// end record included).
bool IsRecordStart(int program, int32_t position)
{
    int32_t at = Offset(program, kWordSourceStart);
    int32_t end = Offset(program, kWordSourceEnd);
    while (at >= 0 && at + 1 < end) {
        if (at == position)
            return true;
        int length = g_MemoryBase[at + 1];
        if (length == 0)
            return false;
        at += length;
    }
    return false;
}

// The selected program, when the position is a record of it; otherwise the
// error and -1.
int EditedProgram(int32_t position, int process)
{
    int program = g_Store.selected;
    if (!CheckDirectorySound(process))
        return -1;
    if (!ValidProgram(program) || !ProgramExists(program)) {
        SetProcessError(process, kErrNoProgramSelected);
        return -1;
    }
    if (!IsRecordStart(program, position)) {
        SetProcessError(process, kErrInvalidLineNumber);
        return -1;
    }
    if (IsRunning(program) || RunningProgramAbove(position)) {
        SetProcessError(process, kErrProgramsRunning);
        return -1;
    }
    DiscardCode(program); // a changed line makes the code stale, whatever its length
    return program;
}

void WriteRecord(int32_t position, int length, int indent, const uint8_t* tokens, int tokenLength)
{
    g_MemoryBase[position + 1] = static_cast<uint8_t>(length);
    g_MemoryBase[position + 2] = static_cast<uint8_t>(indent);
    std::memcpy(g_MemoryBase + position + kLineHeaderSize, tokens, static_cast<size_t>(tokenLength));
    g_MemoryBase[position + length] = static_cast<uint8_t>(length); // the next record's backward length
}

// Opens count bytes at position and shifts the offsets.
void OpenBytes(int32_t position, int32_t count)
{
    int32_t end = g_Store.programEnd;
    std::memmove(g_MemoryBase + position + count, g_MemoryBase + position, static_cast<size_t>(end - position));
    ShiftOffsets(position, count);
    WriteProgramEnd(end + count);
}

void CloseBytes(int32_t position, int32_t count)
{
    int32_t end = g_Store.programEnd;
    std::memmove(g_MemoryBase + position, g_MemoryBase + position + count, static_cast<size_t>(end - position - count));
    ShiftOffsets(position, -count);
    WriteProgramEnd(end - count);
}

// The record length of a line of that many token bytes, or -1 and error 68
// when a record cannot hold it.
int LineRecordLength(int length, int process)
{
    if (length <= 0 || length > kMaxLineRecord - kLineHeaderSize) {
        SetProcessError(process, kErrStringTooLong);
        return -1;
    }
    return length + kLineHeaderSize;
}

// Before bytes from first to last (a position of the same program's
// source) are opened or closed: the program whose source holds them, its
// code dropped; -1 and the error when the change may not be made.
int PrepareByteChange(int32_t first, int32_t last, int process)
{
    if (!CheckDirectorySound(process))
        return -1;
    int program = ProgramOfPosition(first);
    if (program < 0 || last > Offset(program, kWordSourceEnd)) {
        SetProcessError(process, kErrInvalidLineNumber);
        return -1;
    }
    if (RunningProgramAbove(first)) {
        SetProcessError(process, kErrProgramsRunning);
        return -1;
    }
    DiscardCode(program);
    return program;
}

// The program of that name, or -1 and error 27.
int FindExisting(std::string_view name, int process)
{
    int program = FindProgram(name);
    if (program < 0)
        SetProcessError(process, kErrProgramNotFound);
    return program;
}

// A name a new or renamed program may take, in upper case: error 92 for no
// valid name, 58 for a name that a program has.
bool NewNameAllowed(std::string_view name, std::string& upper, int process)
{
    if (!NormaliseName(name, upper) || upper == "ALL" || upper == "TABLE") {
        SetProcessError(process, kErrInvalidProgramName);
        return false;
    }
    if (FindProgram(upper) >= 0) {
        SetProcessError(process, kErrProgramExists);
        return false;
    }
    return true;
}

// Before another program is selected, the selected one is compiled when it
// was edited and has no code. Its compile report is its error message.
void CompileEditedSelection(int next, int process)
{
    int previous = g_Store.selected;
    if (previous == next || !ValidProgram(previous) || !ProgramExists(previous) || !IsModified(previous) ||
        HasCode(previous))
        return;
    if (!CompileProgram(previous, process))
        SetProcessError(process, 0);
}

} // namespace

void LoadDirectoryFromImage()
{
    uint32_t sum = 0;
    for (int index = 0; index < kDirectoryWords; ++index) {
        int position = index * 4;
        g_Store.directory[index] = static_cast<uint32_t>(Get32(g_MemoryBase, position));
        sum += g_Store.directory[index];
    }
    int position = static_cast<int>(kProgramTopOffset);
    g_Store.programEnd = Get32(g_MemoryBase, position);
    g_Store.checksum = sum + static_cast<uint32_t>(g_Store.programEnd);
}

void ClearDirectory()
{
    const int32_t before = g_Store.programEnd;
    for (uint32_t& word : g_Store.directory)
        word = 0;
    {
        std::memset(g_MemoryBase + kDirectoryOffset, 0, kDirectorySize);
    }
    g_Store.programEnd = static_cast<int32_t>(kProgramAreaStart);
    int position = static_cast<int>(kProgramTopOffset);
    Put32(g_MemoryBase, position, g_Store.programEnd);
    g_Store.checksum = static_cast<uint32_t>(g_Store.programEnd);
    StoreChecksumWord();
    g_Store.selected = -1;
    for (int p = 0; p < kProgramCount; ++p)
        ForgetCompiledProgram(p);
    RewriteTableMirror(g_Store.programEnd, std::min<int64_t>(before, g_MemorySize));
}

void ClearRunStates()
{
    for (int p = 0; p < kProgramCount; ++p) {
        if (Word(p, kWordRunCount) != 0)
            WriteWord(p, kWordRunCount, 0);
    }
}

void ResetStoreState()
{
    g_Store.selected = -1;
    g_Store.directoryLocked = false;
    g_Store.memoryProtected = false;
}

void SetMemoryProtection(bool on)
{
    g_Store.memoryProtected = on;
}

bool IsMemoryProtected()
{
    return g_Store.memoryProtected;
}

uint32_t ImageDirectoryChecksum()
{
    uint32_t sum = 0;
    for (int index = 0; index < kDirectoryWords; ++index) {
        int position = index * 4;
        sum += static_cast<uint32_t>(Get32(g_MemoryBase, position));
    }
    int position = static_cast<int>(kProgramTopOffset);
    return sum + static_cast<uint32_t>(Get32(g_MemoryBase, position));
}

bool DirectoryValid()
{
    int position = static_cast<int>(kMemoryChecksumOffset);
    if (static_cast<uint32_t>(Get32(g_MemoryBase, position)) != ImageDirectoryChecksum())
        return false;
    position = static_cast<int>(kProgramTopOffset);
    int32_t top = Get32(g_MemoryBase, position);
    const int32_t areaStart = static_cast<int32_t>(kProgramAreaStart);
    if (top < areaStart || top > MemoryEnd())
        return false;
    for (int p = 0; p < kProgramCount; ++p) {
        const uint8_t* entry = g_MemoryBase + p * kDirectoryEntryWords * 4;
        if (entry[0] == 0)
            continue;
        position = p * kDirectoryEntryWords * 4 + kWordSourceStart * 4;
        int32_t sourceStart = Get32(g_MemoryBase, position);
        int32_t sourceEnd = Get32(g_MemoryBase, position);
        int32_t codeEnd = Get32(g_MemoryBase, position);
        if (!IsPrintableName(entry) || sourceStart < areaStart || sourceStart >= MemoryEnd() || sourceEnd < areaStart ||
            sourceEnd >= MemoryEnd() || sourceEnd < sourceStart || codeEnd < sourceEnd || codeEnd > top)
            return false;
    }
    return true;
}

void LockDirectory()
{
    g_Store.directoryLocked = true;
}

void UnlockDirectory()
{
    g_Store.directoryLocked = false;
}

bool SetProgramLock(int program, int process)
{
    if (!RequireProgram(program, process))
        return false;
    WriteWord(program, kWordLock, 1);
    return true;
}

bool ClearProgramLock(int program, int process)
{
    if (!RequireProgram(program, process))
        return false;
    WriteWord(program, kWordLock, 0);
    return true;
}

bool PrepareProgramToRun(int program, int process)
{
    if (!RequireProgram(program, process))
        return false;
    uint32_t includes = Word(program, kWordIncludeMask);
    bool anyModified = false;
    for (int other = 0; other < kProgramCount; ++other) {
        if ((includes & (1u << other)) == 0 || !ProgramExists(other) || !IsModified(other))
            continue;
        if (!MoveProgramToTop(other, process))
            return false;
        SetModified(other, false);
        anyModified = true;
    }
    if (anyModified) {
        // The code holds the old text of an included program: it is compiled
        // again before it runs.
        if (!MoveProgramToTop(program, process))
            return false;
        DiscardCode(program);
        SetModified(program, false);
    }
    if (includes != 0)
        WriteWord(program, kWordIncludeMask, 0);
    return true;
}

bool DeleteProgram(std::string_view name, int process)
{
    std::string upper;
    if (NormaliseName(name, upper) && upper == "ALL") {
        if (g_Store.memoryProtected) {
            SetProcessError(process, kErrDirectoryLocked);
            return false;
        }
        if (AnyProgramRunning()) {
            SetProcessError(process, kErrProgramsRunning);
            return false;
        }
        ResourceClaim claim(process, kResourceProgramStore, -1);
        for (int p = 0; p < kProgramCount; ++p)
            ClearEntry(p);
        WriteProgramEnd(static_cast<int32_t>(kProgramAreaStart));
        g_Store.selected = -1;
        g_Store.directoryLocked = false;
        return true;
    }
    if (!CheckChangeAllowed(process))
        return false;
    int program = FindExisting(name, process);
    if (program < 0)
        return false;
    if (IsRunning(program)) {
        SetProcessError(process, kErrProgramsRunning);
        return false;
    }
    ResourceClaim claim(process, kResourceProgramStore, -1);
    if (!MoveProgramToTop(program, process))
        return false;
    g_Store.selected = program;
    WriteProgramEnd(Offset(program, kWordSourceStart));
    ClearEntry(program);
    for (int p = 0; p < kProgramCount; ++p) {
        if (ProgramExists(p) && IncludeBit(p, program))
            SetIncludeBit(p, program, false);
    }
    g_Store.selected = -1;
    return true;
}

int CreateProgram(std::string_view name, int process)
{
    if (!CheckChangeAllowed(process))
        return -1;
    std::string upper;
    if (!NewNameAllowed(name, upper, process))
        return -1;
    int program = -1;
    for (int p = 0; p < kProgramCount && program < 0; ++p) {
        if (!ProgramExists(p))
            program = p;
    }
    if (program < 0) {
        SetProcessError(process, kErrNoMorePrograms);
        return -1;
    }
    if (MemoryEnd() - g_Store.programEnd < kEmptyProgramSize + 1) {
        SetProcessError(process, kErrOutOfMemory);
        return -1;
    }
    ResourceClaim claim(process, kResourceProgramStore, -1);
    int32_t start = g_Store.programEnd;
    ClearEntry(program);
    WriteName(program, upper);
    WriteWord(program, kWordType, kTypeNotSet);
    WriteWord(program, kWordSourceStart, static_cast<uint32_t>(start));
    WriteWord(program, kWordSourceEnd, static_cast<uint32_t>(start + 4));
    WriteWord(program, kWordCodeEnd, static_cast<uint32_t>(start + 4));
    {
        std::memset(g_MemoryBase + start, 0, 4); // the end record
    }
    WriteProgramEnd(start + 4);

    // The empty first line.
    const uint8_t empty[] = {kTokZero};
    OpenBytes(start, kLineHeaderSize + 1);
    WriteRecord(start, kLineHeaderSize + 1, 0, empty, 1);
    return program;
}

bool SelectProgram(std::string_view name, int process)
{
    int program = FindProgram(name);
    if (program < 0) {
        CompileEditedSelection(-1, process);
        program = CreateProgram(name, process);
        if (program < 0)
            return false;
        g_Store.selected = program;
        return true;
    }
    return SelectProgramNumber(program, process);
}

bool SelectProgramNumber(int program, int process)
{
    if (program >= kProgramCount) {
        SetProcessError(process, kErrSpecialProgram);
        return false;
    }
    if (!RequireProgram(program, process))
        return false;
    CompileEditedSelection(program, process);
    if (!MoveProgramToTop(program, process))
        return false;
    g_Store.selected = program;
    return true;
}

bool CopyProgram(std::string_view from, std::string_view to, int process)
{
    if (!CheckChangeAllowed(process))
        return false;
    int source = FindExisting(from, process);
    if (source < 0)
        return false;
    int target = CreateProgram(to, process);
    if (target < 0)
        return false;
    ResourceClaim claim(process, kResourceProgramStore, -1);
    WriteWord(target, kWordType, Word(source, kWordType));
    int32_t start = Offset(target, kWordSourceStart);
    int32_t length = TotalLength(source);
    if (start + length >= MemoryEnd()) {
        WriteProgramEnd(start);
        ClearEntry(target);
        SetProcessError(process, kErrOutOfMemory);
        return false;
    }
    {
        std::memmove(g_MemoryBase + start, g_MemoryBase + Offset(source, kWordSourceStart),
                     static_cast<size_t>(length));
    }
    WriteWord(target, kWordSourceEnd, static_cast<uint32_t>(start + SourceLength(source)));
    WriteWord(target, kWordCodeEnd, static_cast<uint32_t>(start + length));
    WriteWord(target, kWordIncludeMask, Word(source, kWordIncludeMask));
    WriteProgramEnd(start + length);
    CopyCompiledProgram(source, target);
    return true;
}

bool RenameProgram(std::string_view from, std::string_view to, int process)
{
    if (!CheckChangeAllowed(process))
        return false;
    int program = FindExisting(from, process);
    std::string upper;
    if (program < 0 || !NewNameAllowed(to, upper, process))
        return false;
    WriteName(program, upper);
    return true;
}

bool MoveProgramToTop(int program, int process)
{
    if (!RequireProgram(program, process))
        return false;
    if (!CheckDirectorySound(process))
        return false;
    int32_t start = Offset(program, kWordSourceStart);
    int32_t stop = Offset(program, kWordCodeEnd);
    int32_t end = g_Store.programEnd;
    if (stop == end)
        return true;
    if (AnyProgramRunning()) {
        SetProcessError(process, kErrProgramsRunning);
        return false;
    }
    if (static_cast<uint32_t>(MemoryEnd() - end) < kMinimumFreeToMove) {
        SetProcessError(process, kErrOutOfMemory);
        return false;
    }
    ResourceClaim claim(process, kResourceProgramStore, -1);
    std::rotate(g_MemoryBase + start, g_MemoryBase + stop, g_MemoryBase + end);
    int32_t length = stop - start;
    int32_t rise = end - stop;
    for (int p = 0; p < kProgramCount; ++p) {
        if (p == program || !ProgramExists(p) || Offset(p, kWordSourceStart) < stop)
            continue;
        for (int word : kOffsetWords)
            WriteWord(p, word, static_cast<uint32_t>(Offset(p, word) - length));
    }
    for (int word : kOffsetWords)
        WriteWord(program, word, static_cast<uint32_t>(Offset(program, word) + rise));
    return true;
}

int FindProgram(std::string_view name)
{
    std::string upper;
    if (!NormaliseName(name, upper))
        return -1;
    for (int p = 0; p < kProgramCount; ++p) {
        if (ProgramExists(p) && ProgramName(p) == upper)
            return p;
    }
    return -1;
}

bool IsDirectoryLocked()
{
    return g_Store.directoryLocked;
}

bool CanRun(int program, int process)
{
    if (!RequireProgram(program, process))
        return false;
    if (IsProgramLocked(program)) {
        SetProcessError(process, kErrProgramLocked);
        return false;
    }
    if (g_Store.directoryLocked) {
        SetProcessError(process, kErrDirectoryLocked);
        return false;
    }
    if (!HasCode(program)) {
        SetProcessError(process, kErrNoCode);
        return false;
    }
    return true;
}

bool MayBeChanged(int program)
{
    return ProgramExists(program) && !IsProgramLocked(program) && !g_Store.directoryLocked &&
           !g_Store.memoryProtected && !IsRunning(program) && !RunningProgramAbove(Offset(program, kWordSourceStart));
}

bool AnyProgramRunning()
{
    for (int p = 0; p < kProgramCount; ++p) {
        if (ProgramExists(p) && Word(p, kWordRunCount) != 0)
            return true;
    }
    return false;
}

bool IsProgramLocked(int program)
{
    return ProgramExists(program) && Word(program, kWordLock) != 0;
}

bool HasCode(int program)
{
    return ProgramExists(program) && Offset(program, kWordCodeEnd) > Offset(program, kWordSourceEnd);
}

bool ProgramExists(int program)
{
    return ValidProgram(program) && (Word(program, kWordName) & 0xFF) != 0;
}

bool HasNoType(int program)
{
    return ProgramExists(program) && Word(program, kWordType) == kTypeNotSet;
}

bool IsModified(int program)
{
    if (!ProgramExists(program) || Word(program, kWordType) == kTypeNotSet)
        return false;
    return (Word(program, kWordType) & kModifiedMark) != 0;
}

bool IsRunning(int program)
{
    return ProgramExists(program) && Word(program, kWordRunCount) != 0;
}

bool IncludeBit(int program, int other)
{
    return ProgramExists(program) && ValidProgram(other) && (Word(program, kWordIncludeMask) & (1u << other)) != 0;
}

bool GetProgramName(int program, char name[16])
{
    std::memset(name, 0, 16);
    if (!ProgramExists(program))
        return false;
    for (int w = 0; w < 4; ++w) {
        uint32_t word = Word(program, kWordName + w);
        for (int b = 0; b < 4; ++b)
            name[w * 4 + b] = static_cast<char>(word >> (8 * b));
    }
    return true;
}

int32_t SourceStart(int program)
{
    return ProgramExists(program) ? Offset(program, kWordSourceStart) : 0;
}

int32_t SourceEnd(int program)
{
    return ProgramExists(program) ? Offset(program, kWordSourceEnd) : 0;
}

int32_t CodeStart(int program)
{
    return SourceEnd(program);
}

int32_t CodeEnd(int program)
{
    return ProgramExists(program) ? Offset(program, kWordCodeEnd) : 0;
}

int32_t SourceLength(int program)
{
    return SourceEnd(program) - SourceStart(program);
}

int32_t CodeLength(int program)
{
    return CodeEnd(program) - SourceEnd(program);
}

int32_t TotalLength(int program)
{
    return CodeEnd(program) - SourceStart(program);
}

int32_t RunType(int program)
{
    return ProgramExists(program) ? static_cast<int32_t>(Word(program, kWordRunType)) : 0;
}

int32_t RunProcess(int program)
{
    return ProgramExists(program) ? static_cast<int32_t>(Word(program, kWordRunProcess)) : 0;
}

int32_t ProgramType(int program)
{
    return ProgramExists(program) ? static_cast<int32_t>(Word(program, kWordType) & 0x7F) : 0;
}

void SetModified(int program, bool on)
{
    if (!ProgramExists(program) || Word(program, kWordType) == kTypeNotSet)
        return;
    uint32_t type = Word(program, kWordType);
    WriteWord(program, kWordType, on ? (type | kModifiedMark) : (type & ~kModifiedMark));
}

void SetProgramType(int program, int32_t type)
{
    if (!ProgramExists(program))
        return;
    uint32_t mark = Word(program, kWordType) == kTypeNotSet ? 0 : (Word(program, kWordType) & kModifiedMark);
    WriteWord(program, kWordType, (static_cast<uint32_t>(type) & 0x7F) | mark);
}

void SetCodeEnd(int program, int32_t position)
{
    if (ProgramExists(program))
        WriteWord(program, kWordCodeEnd, static_cast<uint32_t>(position));
}

void SetSourceEnd(int program, int32_t position)
{
    if (ProgramExists(program))
        WriteWord(program, kWordSourceEnd, static_cast<uint32_t>(position));
}

bool SetRunType(std::string_view name, int32_t runType, int32_t runProcess, int process)
{
    if (!CheckChangeAllowed(process))
        return false;
    int program = FindExisting(name, process);
    if (program < 0)
        return false;
    if (runProcess < -1 || runProcess > 15) {
        SetProcessError(process, kErrParameterOutOfRange);
        return false;
    }
    // Two programs cannot both start at power-up on the same process; any
    // number of them may ask for any free process (-1).
    if (runType == kRunAtPowerUp && runProcess >= 0) {
        for (int p = 0; p < kProgramCount; ++p) {
            if (p != program && ProgramExists(p) && RunType(p) == kRunAtPowerUp && RunProcess(p) == runProcess) {
                SetProcessError(process, kErrProcessSelected);
                return false;
            }
        }
    }
    WriteWord(program, kWordRunType, static_cast<uint32_t>(runType));
    WriteWord(program, kWordRunProcess, static_cast<uint32_t>(runProcess));
    return true;
}

void SetProgramAreaEnd(int32_t position)
{
    if (position >= static_cast<int32_t>(kProgramAreaStart) && position <= MemoryEnd())
        WriteProgramEnd(position);
}

void IncrementRunCount(int program)
{
    if (ProgramExists(program))
        WriteWord(program, kWordRunCount, Word(program, kWordRunCount) + 1);
}

void DecrementRunCount(int program)
{
    if (ProgramExists(program) && static_cast<int32_t>(Word(program, kWordRunCount)) > 0)
        WriteWord(program, kWordRunCount, Word(program, kWordRunCount) - 1);
}

void SetIncludeBit(int program, int other, bool on)
{
    if (!ProgramExists(program) || !ValidProgram(other))
        return;
    uint32_t mask = Word(program, kWordIncludeMask);
    WriteWord(program, kWordIncludeMask, on ? (mask | (1u << other)) : (mask & ~(1u << other)));
}

int SelectedProgram()
{
    return g_Store.selected;
}

int32_t ProgramAreaEnd()
{
    return g_Store.programEnd;
}

uint32_t StoredChecksum()
{
    return g_Store.checksum;
}

std::string ProgramName(int program)
{
    char name[16];
    if (!GetProgramName(program, name))
        return {};
    return std::string(name, static_cast<size_t>(std::find(name, name + 16, '\0') - name));
}

const uint8_t* ProgramNameInMemory(int program)
{
    return ValidProgram(program) ? g_MemoryBase + program * kDirectoryEntryWords * 4 : nullptr;
}

int LexerModeOf(int program)
{
    return ProgramType(program) == kProgramTypeGCode ? kLexerModeGCode : kLexerModeBasic;
}

bool IsGcodeProgram(int program)
{
    return ProgramExists(program) && ProgramType(program) == kProgramTypeGCode;
}

void DiscardCode(int program)
{
    if (!HasCode(program) || !DirectoryValid())
        return;
    int32_t sourceEnd = Offset(program, kWordSourceEnd);
    CloseBytes(sourceEnd, Offset(program, kWordCodeEnd) - sourceEnd);
    ForgetCompiledProgram(program);
}

int FindLine(int program, int index)
{
    if (!ProgramExists(program) || index < 0)
        return -1;
    int32_t at = Offset(program, kWordSourceStart);
    for (int n = 0; n < index && at >= 0; ++n)
        at = NextLine(program, at);
    if (at < 0 || at + 1 >= Offset(program, kWordSourceEnd) || g_MemoryBase[at + 1] == 0)
        return -1;
    return at;
}

int LineCount(int program)
{
    int count = 0;
    for (int32_t at = FindLine(program, 0); at >= 0; at = NextLine(program, at))
        ++count;
    return count;
}

int NextLine(int program, int position)
{
    if (!ProgramExists(program))
        return -1;
    int32_t end = Offset(program, kWordSourceEnd);
    if (position < Offset(program, kWordSourceStart) || position + 1 >= end)
        return -1;
    int length = g_MemoryBase[position + 1];
    if (length < kLineHeaderSize + 1)
        return -1;
    int32_t next = position + length;
    if (next + 1 >= end || g_MemoryBase[next + 1] == 0)
        return -1;
    return next;
}

bool MakeRoom(int position, int count, int process)
{
    if (count <= 0)
        return true;
    if (PrepareByteChange(position, position, process) < 0)
        return false;
    if (count >= MemoryEnd() - g_Store.programEnd) {
        SetProcessError(process, kErrOutOfMemory);
        return false;
    }
    ResourceClaim claim(process, kResourceProgramStore, -1);
    OpenBytes(position, count);
    return true;
}

bool RemoveBytes(int position, int count, int process)
{
    if (count <= 0)
        return true;
    // Bytes beyond the program's source are refused by the check below;
    // a count that would carry the end past the largest int is refused here.
    if (position < 0 || count > INT32_MAX - position) {
        SetProcessError(process, kErrInvalidLineNumber);
        return false;
    }
    if (PrepareByteChange(position, position + count, process) < 0)
        return false;
    ResourceClaim claim(process, kResourceProgramStore, -1);
    CloseBytes(position, count);
    return true;
}

bool InsertLine(int position, const uint8_t* tokens, int length, int indent, int process)
{
    int recordLength = LineRecordLength(length, process);
    int program = recordLength < 0 ? -1 : EditedProgram(position, process);
    if (program < 0 || !MakeRoom(position, recordLength, process))
        return false;
    WriteRecord(position, recordLength, indent, tokens, length);
    SetModified(program, true);
    return true;
}

bool ReplaceLine(int position, const uint8_t* tokens, int length, int indent, int process)
{
    int recordLength = LineRecordLength(length, process);
    int program = recordLength < 0 ? -1 : EditedProgram(position, process);
    if (program < 0)
        return false;
    int old = g_MemoryBase[position + 1];
    if (old == 0) { // the end record holds no line
        SetProcessError(process, kErrInvalidLineNumber);
        return false;
    }
    if (recordLength > old && !MakeRoom(position + old, recordLength - old, process))
        return false;
    if (recordLength < old && !RemoveBytes(position + recordLength, old - recordLength, process))
        return false;
    WriteRecord(position, recordLength, indent, tokens, length);
    SetModified(program, true);
    return true;
}

bool DeleteLine(int position, int process)
{
    int program = EditedProgram(position, process);
    if (program < 0)
        return false;
    int length = g_MemoryBase[position + 1];
    if (length == 0) {
        SetProcessError(process, kErrInvalidLineNumber);
        return false;
    }
    uint8_t previous = g_MemoryBase[position];
    if (!RemoveBytes(position, length, process))
        return false;
    {
        g_MemoryBase[position] = previous; // the next record now follows the previous one
    }
    SetModified(program, true);
    return true;
}

void PrintSourceLine(int process, int program, int position)
{
    if (position < 0 || position + 1 >= SourceEnd(program))
        return;
    int length = g_MemoryBase[position + 1];
    if (length < kLineHeaderSize + 1)
        return;
    std::string text(g_MemoryBase[position + 2] & 0x7F, ' ');
    text += DetokeniseLine(g_MemoryBase, position + kLineHeaderSize, position + length, LexerModeOf(program));
    PrintFormatted(process, "%s\r\n", text);
}

void PrintScreen(int process, int program, int position, int row)
{
    PrintFormatted(process, "\33[%i;1H\33[J", row + 1);
    for (int at = position; at >= 0 && row < 23; at = NextLine(program, at), ++row)
        PrintSourceLine(process, program, at);
}

void RedrawScreen(int process, int program, int position, int linesBack, int cursorRow, int cursorColumn)
{
    int start = SourceStart(program);
    for (int n = 0; n < linesBack && position > start; ++n) {
        int back = g_MemoryBase[position];
        if (back == 0 || position - back < start)
            break;
        position -= back;
    }
    PrintScreen(process, program, position, 0);
    PrintFormatted(process, "\033[%i;%iH", cursorRow + 1, cursorColumn + 1);
}

} // namespace qcrt
