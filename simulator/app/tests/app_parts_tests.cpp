// The simulator's plain parts: the receive ring, the memory images, the log
// lines and the flash device.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/safefile.h"
#include "simulator/app/cyclicbuffer.h"
#include "simulator/app/flashdevice.h"
#include "simulator/app/memoryimage.h"
#include "simulator/app/simlog.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/host.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"

using namespace qcsim;

namespace {

std::string TakeAll(CCyclicCharBuffer& ring)
{
    std::string bytes;
    while (ring.GetCount() > 0)
        bytes += static_cast<char>(ring.GetChar());
    return bytes;
}

TEST(ReceiveRing, HoldsExactlyItsCapacityAndKeepsOrderAcrossTheWrap)
{
    CCyclicCharBuffer ring(8);
    EXPECT_EQ(ring.GetCount(), 0);
    EXPECT_EQ(ring.PeekChar(), 0);
    for (int n = 0; n < 8; ++n)
        EXPECT_TRUE(ring.Put(static_cast<uint8_t>('a' + n)));
    EXPECT_FALSE(ring.Put('z')) << "a full ring refuses the byte";
    EXPECT_EQ(ring.GetFree(), 0);
    EXPECT_EQ(TakeAll(ring), "abcdefgh");

    // Write cuts to the free space and wraps in two copies.
    EXPECT_EQ(ring.Write(reinterpret_cast<const uint8_t*>("12345"), 5), 5);
    EXPECT_EQ(ring.GetChar(), '1');
    EXPECT_EQ(ring.GetChar(), '2');
    EXPECT_EQ(ring.Write(reinterpret_cast<const uint8_t*>("6789ABCD"), 8), 5);
    EXPECT_EQ(ring.GetCount(), 8);
    EXPECT_EQ(TakeAll(ring), "3456789A");
    EXPECT_EQ(ring.Write(nullptr, 3), 0);
    EXPECT_EQ(ring.Write(reinterpret_cast<const uint8_t*>("x"), -1), 0);
    ring.Put('q');
    ring.Clear();
    EXPECT_EQ(ring.GetCount(), 0);
}

class MemoryImages : public testing::Test {
protected:
    ScratchFolder m_folder;
};

// Only a file of the image's exact size is taken; anything else leaves the
// image blank and says why, so a cut file is never mistaken for memory.
TEST_F(MemoryImages, OnlyAWholeFileIsLoaded)
{
    using Result = CMemoryImage::LoadResult;
    const struct {
        const char* name;
        std::string content; // "" with write false: no file
        bool write;
        Result result;
    } cases[] = {
        {"whole", std::string(16, '\x12'), true, Result::Loaded},
        {"missing", "", false, Result::Missing},
        {"cut short", std::string(10, '\x12'), true, Result::WrongSize},
        {"zero length", "", true, Result::WrongSize},
        {"too long", std::string(17, '\x12'), true, Result::WrongSize},
    };
    for (const auto& c : cases) {
        const std::string path = m_folder / (std::string(c.name) + ".img");
        if (c.write) {
            ASSERT_TRUE(WriteWholeFile(path, c.content)) << c.name;
        }
        CMemoryImage flash(16, 0xFF);
        std::memset(flash.GetData(), 0x55, 16);
        flash.SetFileName(path);
        EXPECT_EQ(flash.Load(), c.result) << c.name;
        const std::string data(reinterpret_cast<char*>(flash.GetData()), 16);
        EXPECT_EQ(data, c.result == Result::Loaded ? c.content : std::string(16, '\xFF')) << c.name;
    }

    // A file another program holds open without sharing cannot be read.
    const std::string held = m_folder / "held.img";
    ASSERT_TRUE(WriteWholeFile(held, std::string(16, '\x12')));
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CMemoryImage ram(16);
    ram.SetFileName(held);
    EXPECT_EQ(ram.Load(), Result::Unreadable);
    EXPECT_EQ(ram.GetData()[0], 0) << "blank without a fill byte";
    CloseHandle(file);
    EXPECT_EQ(ram.Load(), Result::Loaded);

    // Kept aside as a backup, the file's name is free for a fresh image.
    ram.SetFileName(m_folder / "cut short.img");
    EXPECT_TRUE(ram.KeepAsBackup());
    EXPECT_EQ(ReadWholeFile(m_folder / "cut short.img.bak"), std::string(10, '\x12'));
    EXPECT_EQ(ram.Load(), Result::Missing);
}

TEST_F(MemoryImages, SavesGoThroughATemporaryFileAndReplace)
{
    CMemoryImage flash(16, 0xFF);
    ASSERT_TRUE(WriteWholeFile(m_folder / "saved.img", "0123456789abcdef"));
    flash.SetFileName(m_folder / "saved.img");
    EXPECT_EQ(flash.Load(), CMemoryImage::LoadResult::Loaded);
    flash.Resize(20);
    EXPECT_EQ(flash.GetData()[19], 0xFF) << "grown bytes take the fill byte";

    // A save that fails before the replace leaves the old file whole.
    auto previous = SetReplaceFileHookForTest([](LPCSTR, LPCSTR) { return FALSE; });
    EXPECT_FALSE(flash.Save());
    SetReplaceFileHookForTest(previous);
    EXPECT_EQ(ReadWholeFile(m_folder / "saved.img"), "0123456789abcdef");
    EXPECT_EQ(FilesIn(m_folder.Path()), std::vector<std::string>{"saved.img"}) << "no temporary file stays";

    EXPECT_TRUE(flash.Save());
    EXPECT_EQ(ReadWholeFile(m_folder / "saved.img"), std::string("0123456789abcdef") + std::string(4, '\xFF'));
    EXPECT_FALSE(flash.SaveAs(""));
    {
        CMemoryImage doomed(4);
        doomed.SetFileName(m_folder / "saved.img");
        doomed.SetDeleteOnExit(true);
        EXPECT_TRUE(doomed.Save());
    }
    EXPECT_EQ(GetFileAttributesA((m_folder / "saved.img").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(LogLines, StampAndByteNames)
{
    SYSTEMTIME time{};
    time.wYear = 2026;
    time.wMonth = 3;
    time.wDay = 7;
    time.wHour = 4;
    time.wMinute = 5;
    time.wSecond = 6;
    time.wMilliseconds = 7;
    char stamp[40];
    FormatLogStamp(time, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "07-Mar-2026 @ 04:05:06.007");
    time.wMonth = 0;
    FormatLogStamp(time, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "07-?\?\?-2026 @ 04:05:06.007");

    struct {
        uint8_t byte;
        const char* name;
    } names[] = {{0, "<NUL>"}, {13, "<CR>"}, {10, "<LF>"}, {16, "<SLE>"}, {26, "<SIB>"}, {32, "<Sp>"},
                 {34, ""},     {65, "A"},    {127, "<DEL>"}, {128, "<0x80>"}, {255, "<0xff>"}};
    for (const auto& n : names)
        EXPECT_STREQ(LogByteName(n.byte), n.name) << int(n.byte);
}

class LogFileTest : public RegistrySandboxTest {
protected:
    ScratchFolder m_folder;
};

TEST_F(LogFileTest, OnlyTheMaskedCategoriesReachTheFile)
{
    const std::string path = m_folder / "sim.log";
    WriteSimSettingDword("\\Config", "EnableCommsLogging", 1);
    WriteSimSettingDword("\\Comms", "LogFlags", 4 | 1);
    WriteSimSettingString("\\Config", "LogFileName", path);
    qcsim::CLogFile log;
    EXPECT_TRUE(log.IsEnabled());
    EXPECT_EQ(log.LogFormat(kLogTaskSwitch, "Suspend %d", 3), 1);
    EXPECT_EQ(log.LogFormat(kLogFindWindow, "App Wnd (%s) = 0x%08x", "x", 1), 0);
    const uint8_t crlf[] = {'\r', '\n', '"'};
    EXPECT_EQ(log.LogData("Rx: ", crlf, 3, kLogComms), 1);
    log.Close();
    const std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find(": Suspend 3\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(": Rx: <CR><LF>\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("App Wnd"), std::string::npos) << text;
    // "DD-Mon-YYYY @ hh:mm:ss.mmm: " in front of every line.
    ASSERT_GT(text.size(), 28u);
    EXPECT_EQ(text.substr(2, 1), "-");
    EXPECT_EQ(text.substr(11, 3), " @ ");
    EXPECT_EQ(text.substr(26, 2), ": ");
    EXPECT_TRUE(log.Reset());
    EXPECT_EQ(ReadWholeFile(path), "");
}

TEST_F(LogFileTest, ResetEmptiesTheFileAlsoWithFileOutputOff)
{
    const std::string path = m_folder / "sim.log";
    WriteSimSettingDword("\\Config", "LogToFile", 0);
    WriteSimSettingString("\\Config", "LogFileName", path);
    qcsim::CLogFile log;
    ASSERT_TRUE(WriteWholeFile(path, "old lines\r\n"));
    EXPECT_TRUE(log.Reset());
    EXPECT_EQ(ReadWholeFile(path), "");
    log.SetFilePath(m_folder / "missing.log");
    EXPECT_TRUE(log.Reset()) << "nothing to empty";
    EXPECT_EQ(GetFileAttributesA((m_folder / "missing.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LogFileTest, NothingIsWrittenWithoutAFileOrWhenDisabled)
{
    {
        WriteSimSettingDword("\\Config", "EnableCommsLogging", 1);
        WriteSimSettingDword("\\Comms", "LogFlags", 0xFFFF);
        qcsim::CLogFile log; // no "LogFileName", no debug output: nowhere to write
        EXPECT_EQ(log.LogLine("text", kLogComms), 1);
        log.SetLogToFile(false);
        EXPECT_EQ(log.LogLine("text", kLogComms), 0);
    }
    WriteSimSettingDword("\\Config", "EnableCommsLogging", 0);
    qcsim::CLogFile off;
    EXPECT_FALSE(off.IsEnabled());
    EXPECT_EQ(off.LogLine("text", kLogComms), 0);
}

// The flash device over a host whose image the test owns.
class FlashHost : public qcrt::RuntimeHost {
public:
    std::vector<uint8_t> image = std::vector<uint8_t>(0x400000, 0x00);
    int Write(int, const uint8_t*, int) override { return 0; }
    int GetRxCount(int) override { return 0; }
    int GetRxChar(int, uint8_t*) override { return 0; }
    uint8_t* GetFlashImage() override { return image.data(); }
    uint32_t GetFlashSize() override { return static_cast<uint32_t>(image.size()); }
    uint8_t* GetBatteryRamImage() override { return nullptr; }
    uint32_t GetBatteryRamSize() override { return 0; }
    uint64_t GetTimeNow() override { return 0; }
    void SleepMs(unsigned) override {}
    bool PostToLinkWindow(unsigned, uintptr_t, intptr_t) override { return false; }
    bool PostToDialog(unsigned, uintptr_t, intptr_t) override { return false; }
    void ShowPrompt(const std::string&) override {}
    bool GetLocalAppDataFolder(std::string&) override { return false; }
    bool DirectoryExists(const std::string&) override { return false; }
    bool MakeDirectory(const std::string&) override { return false; }
};

class FlashDevice : public testing::Test {
protected:
    FlashDevice() { qcrt::SetRuntimeHost(&m_host); }
    ~FlashDevice() override
    {
        qcrt::SetFlashDeviceOperations(nullptr);
        qcrt::ReleaseFlashDevice();
        qcrt::SetRuntimeHost(nullptr);
    }
    size_t CountOf(uint8_t value) const { return static_cast<size_t>(std::count(m_host.image.begin(), m_host.image.end(), value)); }
    FlashHost m_host;
};

TEST_F(FlashDevice, BlocksEraseWithinZeroTo63)
{
    EXPECT_TRUE(EraseFlashBlock(63, 0));
    EXPECT_EQ(m_host.image[0x3F0000 - 1], 0x00);
    EXPECT_EQ(m_host.image[0x3F0000], 0xFF);
    EXPECT_EQ(CountOf(0xFF), 0x10000u);
    for (int block : {64, -1, 0x7FFFFFFF})
        EXPECT_FALSE(EraseFlashBlock(block, 0)) << block;
    EXPECT_EQ(CountOf(0xFF), 0x10000u) << "a refused erase changes nothing";
}

TEST_F(FlashDevice, ProgrammingReplacesBytesInsideTheImageOnly)
{
    const uint8_t bytes[] = {0x00, 0x12, 0xFF, 0x80};
    m_host.image[0x100 + 2] = 0x7F;
    EXPECT_TRUE(ProgramFlashBytes(bytes, m_host.image.data() + 0x100, 4, 0));
    EXPECT_EQ(0, std::memcmp(m_host.image.data() + 0x100, bytes, 4));
    EXPECT_TRUE(ProgramFlashBytes(bytes, m_host.image.data(), 0, 0));
    EXPECT_TRUE(ProgramFlashBytes(bytes, m_host.image.data(), -5, 0));
    // One byte past the end of the image is refused whole.
    EXPECT_FALSE(ProgramFlashBytes(bytes, m_host.image.data() + 0x400000 - 3, 4, 0));
    EXPECT_EQ(m_host.image[0x400000 - 3], 0x00);
    uint8_t outside[4] = {};
    EXPECT_FALSE(ProgramFlashBytes(bytes, outside, 4, 0));
    EXPECT_EQ(outside[1], 0);
}

TEST_F(FlashDevice, ChipEraseAndTheUnusedOperations)
{
    EXPECT_FALSE(EraseFlashChip(1));
    EXPECT_EQ(CountOf(0xFF), 0u);
    EXPECT_TRUE(EraseFlashChip(0));
    EXPECT_EQ(CountOf(0xFF), m_host.image.size());
    m_host.image.assign(m_host.image.size(), 0);
    ClearFlashImage();
    EXPECT_EQ(CountOf(0xFF), m_host.image.size());
    EXPECT_FALSE(QueryFlashFlag());
}

// The runtime's own erase and program go through the device once it is
// installed: its record holds the five operations and three idle slots.
TEST_F(FlashDevice, TheRuntimesFlashLayerUsesTheDevice)
{
    InstallFlashDevice();
    qcrt::ReleaseFlashDevice();
    ASSERT_TRUE(qcrt::InitFlashDevice());
    const qcrt::FlashDeviceOperations& slots = qcrt::g_FlashDevice.operations;
    EXPECT_EQ(slots.eraseChip, &EraseFlashChip);
    EXPECT_EQ(slots.eraseBlock, &EraseFlashBlock);
    EXPECT_EQ(slots.clearImage, &ClearFlashImage);
    EXPECT_EQ(slots.queryFlag, &QueryFlashFlag);
    EXPECT_EQ(slots.programBytes, &ProgramFlashBytes);
    for (auto* idle : qcrt::g_FlashDevice.idle) {
        ASSERT_NE(idle, nullptr);
        idle(3);
    }
    EXPECT_EQ(CountOf(0xFF), 0u) << "the idle slots touch nothing";

    EXPECT_TRUE(qcrt::EraseSector(63));
    EXPECT_EQ(CountOf(0xFF), 0x10000u);
    EXPECT_FALSE(qcrt::EraseSector(64));
    const uint8_t bytes[] = {0x00, 0x12, 0xFF, 0x80};
    EXPECT_TRUE(qcrt::ProgramFlash(bytes, 0x3FFFFC, 4));
    EXPECT_EQ(0, std::memcmp(m_host.image.data() + 0x3FFFFC, bytes, 4));
    EXPECT_FALSE(qcrt::ProgramFlash(bytes, 0x3FFFFD, 4)) << "one byte past the end";
}

} // namespace
