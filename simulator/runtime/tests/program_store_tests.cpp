// The program store: directory, checksum, program and line operations.
#include <gtest/gtest.h>

#include <cstdint>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "simulator/runtime/errors.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/tests/store_helpers.h"
#include "simulator/runtime/tests/token_bytes.h"
#include "simulator/runtime/tokens.h"

using namespace qcrt;

namespace {

class ProgramStore : public StoreEnvironment {
protected:
    // Every program lies inside the area, they do not overlap, and together
    // they fill it from its start to its end.
    void ExpectPacked()
    {
        std::vector<std::pair<int32_t, int32_t>> blocks;
        for (int p = 0; p < kProgramCount; ++p) {
            if (ProgramExists(p))
                blocks.push_back({SourceStart(p), CodeEnd(p)});
        }
        std::sort(blocks.begin(), blocks.end());
        int32_t at = static_cast<int32_t>(kProgramAreaStart);
        for (const auto& block : blocks) {
            EXPECT_EQ(block.first, at) << "programs are packed";
            at = block.second;
        }
        EXPECT_EQ(ProgramAreaEnd(), at);
    }
};

TEST_F(ProgramStore, ANewProgramHoldsOneEmptyLine)
{
    ASSERT_TRUE(SelectProgram("main", 0));
    int p = FindProgram("MAIN");
    ASSERT_EQ(p, 0);
    EXPECT_EQ(SelectedProgram(), p);
    EXPECT_EQ(ProgramName(p), "MAIN") << "names are kept in upper case";
    EXPECT_EQ(SourceStart(p), 17440);
    EXPECT_EQ(SourceLength(p), kEmptyProgramSize);
    EXPECT_EQ(Show(std::vector<uint8_t>(g_MemoryBase + 17440, g_MemoryBase + 17448)),
              Show(Bytes(0, 4, 0, kTokZero, 4, 0, 0, 0)));
    EXPECT_TRUE(HasNoType(p));
    EXPECT_FALSE(HasCode(p));
    EXPECT_EQ(LineCount(p), 1);
    EXPECT_EQ(CheckMemory(), 1);
}

TEST_F(ProgramStore, RefusedOperationsAndTheirErrors)
{
    struct Case {
        const char* what;
        std::function<bool()> operation;
        int32_t error;
    };
    auto fill = [] {
        for (int n = 0; n < kProgramCount; ++n)
            CreateProgram("P" + std::to_string(n), 0);
    };
    const Case cases[] = {
        {"a fifteenth program",
         [&] {
             fill();
             return CreateProgram("ONEMORE", 0) >= 0;
         },
         kErrNoMorePrograms},
        {"an existing name", [] { return CreateProgram("MAIN", 0) >= 0; }, kErrProgramExists},
        {"ALL is no program name", [] { return SelectProgram("ALL", 0); }, kErrInvalidProgramName},
        {"TABLE is no program name", [] { return CreateProgram("table", 0) >= 0; }, kErrInvalidProgramName},
        {"sixteen characters", [] { return CreateProgram("ABCDEFGHIJKLMNOP", 0) >= 0; }, kErrInvalidProgramName},
        {"rename to an existing name", [] { return RenameProgram("MAIN", "LIB", 0); }, kErrProgramExists},
        {"rename a missing program", [] { return RenameProgram("NONE", "X", 0); }, kErrProgramNotFound},
        {"copy a missing program", [] { return CopyProgram("NONE", "X", 0); }, kErrProgramNotFound},
        {"copy onto an existing name", [] { return CopyProgram("MAIN", "LIB", 0); }, kErrProgramExists},
        {"delete a missing program", [] { return DeleteProgram("NONE", 0); }, kErrProgramNotFound},
        {"select a special program", [] { return SelectProgramNumber(14, 0); }, kErrSpecialProgram},
        {"delete ALL while a program runs",
         [] {
             IncrementRunCount(FindProgram("LIB"));
             return DeleteProgram("ALL", 0);
         },
         kErrProgramsRunning},
        {"move while a program runs",
         [] {
             IncrementRunCount(FindProgram("LIB"));
             return SelectProgram("MAIN", 0);
         },
         kErrProgramsRunning},
        {"delete a running program",
         [] {
             IncrementRunCount(FindProgram("LIB"));
             return DeleteProgram("LIB", 0);
         },
         kErrProgramsRunning},
        {"create in a locked directory",
         [] {
             LockDirectory();
             return CreateProgram("X", 0) >= 0;
         },
         kErrDirectoryLocked},
        {"rename in protected memory",
         [] {
             SetMemoryProtection(true);
             return RenameProgram("MAIN", "X", 0);
         },
         kErrDirectoryLocked},
        {"create without room",
         [] {
             SetProgramAreaEnd(static_cast<int32_t>(g_MemorySize) - 8);
             return CreateProgram("X", 0) >= 0;
         },
         kErrOutOfMemory},
        {"move without 1024 free bytes",
         [] {
             SetProgramAreaEnd(static_cast<int32_t>(g_MemorySize) - 1000);
             return SelectProgram("MAIN", 0);
         },
         kErrOutOfMemory},
        // Byte counts that would overflow an int are refused, not wrapped.
        {"make room for the largest count", [] { return MakeRoom(SourceStart(FindProgram("LIB")), INT32_MAX, 0); },
         kErrOutOfMemory},
        {"remove bytes whose end passes the largest int",
         [] { return RemoveBytes(SourceStart(FindProgram("LIB")), INT32_MAX - 2, 0); }, kErrInvalidLineNumber},
        {"remove bytes beyond the program", [] { return RemoveBytes(SourceStart(FindProgram("LIB")), 100000, 0); },
         kErrInvalidLineNumber},
        {"insert a line of the largest length",
         [] {
             const uint8_t tokens[] = {kTokZero};
             return InsertLine(FindLine(FindProgram("LIB"), 0), tokens, INT32_MAX, 0, 0);
         },
         kErrStringTooLong},
        {"insert a line of 253 bytes",
         [] {
             std::vector<uint8_t> tokens(253, kTokSpace);
             return InsertLine(FindLine(FindProgram("LIB"), 0), tokens.data(), 253, 0, 0);
         },
         kErrStringTooLong},
        {"run type on process 16", [] { return SetRunType("MAIN", kRunAtPowerUp, 16, 0); }, kErrParameterOutOfRange},
        {"two programs at power-up on one process",
         [] {
             SetRunType("LIB", kRunAtPowerUp, 3, 0);
             return SetRunType("MAIN", kRunAtPowerUp, 3, 0);
         },
         kErrProcessSelected},
        {"run a program without code", [] { return CanRun(FindProgram("MAIN"), 0); }, kErrNoCode},
        {"run a locked program",
         [] {
             SetProgramLock(FindProgram("MAIN"), 0);
             return CanRun(FindProgram("MAIN"), 0);
         },
         kErrProgramLocked},
    };
    for (const Case& c : cases) {
        ResetMemory();
        ASSERT_GE(MakeProgram("MAIN", {"a=1"}), 0);
        ASSERT_GE(MakeProgram("LIB", {"b=2"}), 0); // at the top
        SetProcessError(0, 0);
        EXPECT_FALSE(c.operation()) << c.what;
        EXPECT_EQ(GetProcessError(0), c.error) << c.what;
        EXPECT_EQ(CheckMemory(), 1) << c.what;
        EXPECT_EQ(FindProgram("MAIN"), 0) << c.what;
        UnlockDirectory();
        SetMemoryProtection(false);
    }
}

TEST_F(ProgramStore, RenameToAnExistingNameKeepsBothPrograms)
{
    int main = MakeProgram("MAIN", {"a=1"});
    int lib = MakeProgram("LIB", {"b=2"});
    EXPECT_FALSE(RenameProgram("MAIN", "lib", 0));
    EXPECT_EQ(FindProgram("MAIN"), main);
    EXPECT_EQ(FindProgram("LIB"), lib);
    EXPECT_TRUE(RenameProgram("MAIN", "first", 0));
    EXPECT_EQ(FindProgram("FIRST"), main);
    EXPECT_EQ(FindProgram("MAIN"), -1);
    EXPECT_EQ(CheckMemory(), 1);
}

TEST_F(ProgramStore, SelectingMovesTheProgramToTheTopAndShiftsTheRestDown)
{
    int a = MakeProgram("A", {"a=1", "PRINT a"});
    int b = MakeProgram("B", {"b=2"});
    int c = MakeProgram("C", {"c=3", "c=c+1", "PRINT c"});
    auto linesA = ProgramLines(a);
    auto linesB = ProgramLines(b);
    int32_t startB = SourceStart(b);
    int32_t startC = SourceStart(c);

    ASSERT_TRUE(SelectProgram("C", 0));
    EXPECT_EQ(SourceStart(c), startC) << "the program at the top stays";
    EXPECT_EQ(SourceStart(b), startB);

    ASSERT_TRUE(SelectProgram("A", 0));
    int32_t lengthA = TotalLength(a);
    EXPECT_EQ(SourceStart(b), startB - lengthA);
    EXPECT_EQ(SourceStart(c), startC - lengthA);
    EXPECT_EQ(CodeEnd(a), ProgramAreaEnd());
    EXPECT_EQ(ProgramLines(a), linesA);
    EXPECT_EQ(ProgramLines(b), linesB);
    EXPECT_EQ(SelectedProgram(), a);
    ExpectPacked();
    EXPECT_EQ(CheckMemory(), 1);
}

TEST_F(ProgramStore, LineOperationsKeepTheBackwardChain)
{
    int p = MakeProgram("MAIN", {"a=1", "b=22", "c=333"});
    std::vector<uint8_t> line = TokenLine("PRINT \"a longer line than the others\"");
    ASSERT_TRUE(ReplaceLine(FindLine(p, 1), line.data(), static_cast<int>(line.size()), 0x83, 0));
    ASSERT_TRUE(DeleteLine(FindLine(p, 0), 0));
    ASSERT_TRUE(InsertLine(FindLine(p, 1), line.data(), static_cast<int>(line.size()), 1, 0));
    EXPECT_EQ(LineCount(p), 3);
    EXPECT_EQ(g_MemoryBase[FindLine(p, 0) + 2], 0x83) << "the indent byte keeps the breakpoint mark";

    // Walking back from the end record through the backward lengths visits
    // every line.
    int at = SourceEnd(p) - 4;
    int count = 0;
    while (g_MemoryBase[at] != 0) {
        int back = g_MemoryBase[at];
        at -= back;
        EXPECT_EQ(g_MemoryBase[at + 1], back);
        ++count;
    }
    EXPECT_EQ(at, SourceStart(p));
    EXPECT_EQ(count, LineCount(p));
    EXPECT_TRUE(IsModified(p) || HasNoType(p));
    EXPECT_EQ(CheckMemory(), 1);

    SetProcessError(0, 0);
    EXPECT_FALSE(InsertLine(FindLine(p, 0) + 1, line.data(), static_cast<int>(line.size()), 0, 0));
    EXPECT_EQ(GetProcessError(0), kErrInvalidLineNumber) << "not the start of a line";
    std::vector<uint8_t> huge(253, kTokSpace);
    huge.back() = kTokZero;
    EXPECT_FALSE(InsertLine(FindLine(p, 0), huge.data(), static_cast<int>(huge.size()), 0, 0));
    EXPECT_EQ(GetProcessError(0), kErrStringTooLong) << "a record holds at most 255 bytes";
}

TEST_F(ProgramStore, CopyTakesTextCodeAndType)
{
    int main = MakeProgram("MAIN", {"a=1", "GOTO here", "here: PRINT a"});
    g_ProcessRecords[0].outputChannel = 8;
    ASSERT_TRUE(CompileProgram(main, 0));
    ASSERT_TRUE(CopyProgram("MAIN", "TWIN", 0));
    int twin = FindProgram("TWIN");
    EXPECT_EQ(ProgramLines(twin), ProgramLines(main));
    EXPECT_EQ(CodeLength(twin), CodeLength(main));
    EXPECT_TRUE(
        std::equal(g_MemoryBase + SourceStart(twin), g_MemoryBase + CodeEnd(twin), g_MemoryBase + SourceStart(main)))
        << "jump fields are relative to the program, so the copied code is valid where it lies";
    EXPECT_EQ(ProgramType(twin), ProgramType(main));
    int found = 0;
    EXPECT_EQ(FindCodeLine(0, twin, 2, found) - SourceStart(twin), FindCodeLine(0, main, 2, found) - SourceStart(main));
    EXPECT_EQ(CheckMemory(), 1);
}

// Random sequences of operations, checked against a model after every one:
// the checksum and the directory check stay valid, the programs stay packed,
// and every program holds the lines the model says.
TEST_F(ProgramStore, RandomOperationSequencesKeepChecksumAndDirectoryValid)
{
    g_ProcessRecords[0].outputChannel = 8; // no progress lines of the compiles
    const std::vector<std::string> statements = {"a=1",   "PRINT a;b", "b=a*2+1", "IF a THEN b=2",
                                                 "a=a+1", "WA(10)",    "",        "x=VR(3)"};
    std::map<std::string, std::vector<std::vector<uint8_t>>> model;
    std::mt19937 random(12345);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto someName = [&] { return std::string("P") + std::to_string(pick(18)); };
    auto existing = [&]() -> std::string {
        if (model.empty())
            return "NONE";
        auto it = model.begin();
        std::advance(it, pick(static_cast<int>(model.size())));
        return it->first;
    };

    for (int step = 0; step < 1500; ++step) {
        SetProcessError(0, 0);
        int operation = pick(9);
        std::string name = operation == 0 ? someName() : existing();
        bool exists = model.count(name) != 0;
        switch (operation) {
        case 0: { // select, creating a new program
            bool created = !exists && model.size() < static_cast<size_t>(kProgramCount);
            EXPECT_EQ(SelectProgram(name, 0), exists || created) << step;
            if (created) {
                model[name] = {TokenLine("")};
            } else if (!exists) {
                EXPECT_EQ(GetProcessError(0), kErrNoMorePrograms);
            }
            break;
        }
        case 1:
        case 2:
        case 3: { // insert, replace or delete a line of the program
            if (!exists || !SelectProgram(name, 0))
                break;
            int p = FindProgram(name);
            auto& lines = model[name];
            int index = pick(static_cast<int>(lines.size()) + (operation == 1 ? 1 : 0));
            std::vector<uint8_t> tokens = TokenLine(statements[static_cast<size_t>(pick(8))]);
            int length = static_cast<int>(tokens.size());
            int at = index < static_cast<int>(lines.size()) ? FindLine(p, index) : SourceEnd(p) - 4;
            if (operation == 1) {
                ASSERT_TRUE(InsertLine(at, tokens.data(), length, pick(4), 0)) << step;
                lines.insert(lines.begin() + index, tokens);
            } else if (operation == 2) {
                ASSERT_TRUE(ReplaceLine(at, tokens.data(), length, 0, 0)) << step;
                lines[static_cast<size_t>(index)] = tokens;
            } else if (lines.size() > 1) {
                ASSERT_TRUE(DeleteLine(at, 0)) << step;
                lines.erase(lines.begin() + index);
            }
            break;
        }
        case 4: { // copy
            std::string target = someName();
            bool ok = exists && !model.count(target) && model.size() < static_cast<size_t>(kProgramCount);
            EXPECT_EQ(CopyProgram(name, target, 0), ok) << step;
            if (ok)
                model[target] = model[name];
            break;
        }
        case 5: { // rename
            std::string target = someName();
            bool ok = exists && !model.count(target);
            EXPECT_EQ(RenameProgram(name, target, 0), ok) << step;
            if (ok) {
                model[target] = model[name];
                model.erase(name);
            }
            break;
        }
        case 6: // delete
            EXPECT_EQ(DeleteProgram(name, 0), exists) << step;
            model.erase(name);
            break;
        case 7: // compile: code behind the source moves with the program
            if (exists) {
                EXPECT_TRUE(CompileProgram(FindProgram(name), 0)) << step << " " << DrainOutput(8);
            }
            break;
        default: // move to the top
            if (exists) {
                EXPECT_TRUE(MoveProgramToTop(FindProgram(name), 0)) << step;
            }
            break;
        }
        DrainOutput(8);

        ASSERT_EQ(CheckMemory(), 1) << "step " << step << " operation " << operation;
        ASSERT_EQ(StoredChecksum(), ImageDirectoryChecksum()) << step;
        ExpectPacked();
        for (const auto& [programName, lines] : model) {
            int p = FindProgram(programName);
            ASSERT_GE(p, 0) << programName;
            ASSERT_EQ(ProgramLines(p), lines) << "step " << step << " program " << programName;
        }
        int count = 0;
        for (int p = 0; p < kProgramCount; ++p)
            count += ProgramExists(p) ? 1 : 0;
        ASSERT_EQ(count, static_cast<int>(model.size())) << step;
    }
}

TEST_F(ProgramStore, DeleteAllEmptiesTheStoreAndUnlocksTheDirectory)
{
    MakeProgram("A", {"a=1"});
    MakeProgram("B", {"b=1"});
    LockDirectory();
    EXPECT_TRUE(DeleteProgram("all", 0));
    EXPECT_FALSE(IsDirectoryLocked());
    EXPECT_EQ(SelectedProgram(), -1);
    EXPECT_EQ(ProgramAreaEnd(), 17440);
    EXPECT_EQ(FindProgram("A"), -1);
    EXPECT_EQ(CheckMemory(), 1);
}

TEST_F(ProgramStore, ScreenListingOfTheEditor)
{
    int p = MakeProgram("MAIN", {"a=1", "PRINT a"});
    std::vector<uint8_t> tokens = TokenLine("b=2");
    ASSERT_TRUE(ReplaceLine(FindLine(p, 1), tokens.data(), static_cast<int>(tokens.size()), 2, 0));
    Printed();
    g_ProcessRecords[0].outputChannel = 5; // a channel that keeps what it is given
    PrintScreen(0, p, FindLine(p, 0), 3);
    EXPECT_EQ(DrainOutput(5), "\33[4;1H\33[Ja=1\r\n  b=2\r\n");
    RedrawScreen(0, p, FindLine(p, 1), 1, 2, 5);
    EXPECT_EQ(DrainOutput(5), "\33[1;1H\33[Ja=1\r\n  b=2\r\n\033[3;6H");
}

} // namespace
