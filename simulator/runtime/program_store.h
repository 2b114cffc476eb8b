// The program store: the BASIC programs in the battery-backed memory, their
// directory and the operations on programs and lines.
//
// The directory is 14 entries of 13 32-bit words at image offset 0:
//   words 0-3  name, 16 bytes, zero-terminated (a zero first byte: free)
//   word 4     source start     word 5  source end     word 6  code end
//   word 7     run count        word 8  lock flag
//   word 9     run type (0x55AA: runs at power-up)     word 10 run process
//   word 11    type byte: program type in bits 0-6 (255: not yet set),
//              modified mark in bit 7
//   word 12    include mask: one bit per program this one includes
// A program's source runs from its source start to its source end, its
// compiled code from the source end to the code end; programs lie packed in
// the program area from offset 17440 up to the end of the area (offset 5112).
//
// Every word written to the directory and the end of the area goes through
// the store, which keeps the memory checksum (offset 5116) equal to their sum
// after every operation, so a power-up check after any sequence of
// operations passes.
//
// Source lines are a chain of records:
//   byte 0  the length of the previous record (0 for the first line)
//   byte 1  the length L of this record, header included; 0 ends the program
//   byte 2  indent level in bits 0-6, breakpoint mark in bit 7
//   3..L-1  the line's token bytes (a line without statements: kTokZero)
// A new program holds one empty line and the end record (4 bytes).
//
// Operations that fail set an error number on the given process and return
// false (or -1).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qcrt {

constexpr int kProgramCount = 14;
constexpr int kProgramNameLength = 15; // characters; the 16th byte is the terminator
constexpr int kDirectoryEntryWords = 13;
constexpr int kDirectoryWords = kProgramCount * kDirectoryEntryWords; // 182
constexpr int32_t kRunAtPowerUp = 0x55AA;
constexpr uint32_t kTypeNotSet = 255;
constexpr uint32_t kModifiedMark = 0x80;
constexpr int kLineHeaderSize = 3;
constexpr int kMaxLineRecord = 255;
constexpr int kEmptyProgramSize = 8; // one empty line and the end record
constexpr uint32_t kMinimumFreeToMove = 1024;

// Program type 2 is a G code program; its lines are tokenised in lexer mode 1.
constexpr int kProgramTypeBasic = 0;
constexpr int kProgramTypeGCode = 2;

// Power-up and reset of the store (the directory image is the truth).
void LoadDirectoryFromImage();
void ClearDirectory();  // every entry free, the area empty, the checksum matching
void ClearRunStates();  // run counts 0
void ResetStoreState(); // no program selected, directory unlocked
void SetMemoryProtection(bool on);
bool IsMemoryProtected();

// The sum the checksum word must hold, from the image.
uint32_t ImageDirectoryChecksum();
// The directory check of the power-up: checksum and plausible entries.
bool DirectoryValid();

// The operations, in the store's order.
void LockDirectory();                                                                     // 1
void UnlockDirectory();                                                                   // 2
bool SetProgramLock(int program, int process);                                            // 3
bool ClearProgramLock(int program, int process);                                          // 4
bool PrepareProgramToRun(int program, int process);                                       // 5
bool DeleteProgram(std::string_view name, int process);                                   // 6 DEL, "ALL" included
bool SelectProgram(std::string_view name, int process);                                   // 7
bool SelectProgramNumber(int program, int process);                                       // 7, by number
bool CopyProgram(std::string_view from, std::string_view to, int process);                // 8
bool RenameProgram(std::string_view from, std::string_view to, int process);              // 9
bool MoveProgramToTop(int program, int process);                                          // 10
int FindProgram(std::string_view name);                                                   // 11
bool IsDirectoryLocked();                                                                 // 12
bool CanRun(int program, int process);                                                    // 13
bool MayBeChanged(int program);                                                           // 14
bool AnyProgramRunning();                                                                 // 15
bool IsProgramLocked(int program);                                                        // 16
bool HasCode(int program);                                                                // 17
bool ProgramExists(int program);                                                          // 18
bool HasNoType(int program);                                                              // 19
bool IsModified(int program);                                                             // 20
bool IsRunning(int program);                                                              // 21
bool IncludeBit(int program, int other);                                                  // 22
bool GetProgramName(int program, char name[16]);                                          // 23
int32_t SourceStart(int program);                                                         // 24
int32_t SourceEnd(int program);                                                           // 25
int32_t CodeStart(int program);                                                           // 26 (the source end)
int32_t CodeEnd(int program);                                                             // 27
int32_t SourceLength(int program);                                                        // 28
int32_t CodeLength(int program);                                                          // 29
int32_t TotalLength(int program);                                                         // 30
int32_t RunType(int program);                                                             // 31
int32_t RunProcess(int program);                                                          // 32
int32_t ProgramType(int program);                                                         // 33
void SetModified(int program, bool on);                                                   // 34
void SetProgramType(int program, int32_t type);                                           // 35
void SetCodeEnd(int program, int32_t position);                                           // 36
void SetSourceEnd(int program, int32_t position);                                         // 37
bool SetRunType(std::string_view name, int32_t runType, int32_t runProcess, int process); // 38 RUNTYPE
void SetProgramAreaEnd(int32_t position);                                                 // 39
void IncrementRunCount(int program);                                                      // 40
void DecrementRunCount(int program);                                                      // 41
// 42 is DirectoryValid above.
void SetIncludeBit(int program, int other, bool on); // 43

// Store state.
int SelectedProgram();
int32_t ProgramAreaEnd();
uint32_t StoredChecksum();
// The program's name as text ("" for a free entry) and a pointer to it in
// the controller memory, for %z.
std::string ProgramName(int program);
const uint8_t* ProgramNameInMemory(int program);
int LexerModeOf(int program);
// A G code program runs from its source lines; it is never compiled.
bool IsGcodeProgram(int program);

// Creates an empty program of that name without selecting it.
int CreateProgram(std::string_view name, int process);
// Drops the compiled code of a program (its code end becomes its source end).
void DiscardCode(int program);

// Lines. A line position is the image offset of its record; lines are
// counted from 0. The line operations work on the selected program; each
// drops its compiled code, sets its modified mark and keeps every offset,
// the end of the area and the checksum up to date.
int FindLine(int program, int index); // -1 beyond the last line
int LineCount(int program);
int NextLine(int program, int position); // -1 at the end
bool MakeRoom(int position, int count, int process);
bool RemoveBytes(int position, int count, int process);
bool InsertLine(int position, const uint8_t* tokens, int length, int indent, int process);
bool ReplaceLine(int position, const uint8_t* tokens, int length, int indent, int process);
bool DeleteLine(int position, int process);

// Screen listing of the full-screen editor: a line is its indent in blanks,
// its text and CR LF; a screen from a row prints lines up to row 23.
void PrintSourceLine(int process, int program, int position);
void PrintScreen(int process, int program, int position, int row);
void RedrawScreen(int process, int program, int position, int linesBack, int cursorRow, int cursorColumn);

} // namespace qcrt
