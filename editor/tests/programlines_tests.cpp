#include "editor/programlines.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>

namespace editor {
namespace {

// Program files in memory, by path; counts the reads of each.
class MemoryFiles : public IProgramFiles {
public:
    void Add(const std::string& path, const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        AddText(path, text);
    }
    void AddText(const std::string& path, const std::string& text)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_files[path] = text;
    }
    bool Exists(const std::string& path) override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_files.count(path) != 0;
    }
    bool ReadText(const std::string& path, std::string& text) override
    {
        std::lock_guard<std::mutex> hold(m_lock);
        auto it = m_files.find(path);
        if (it == m_files.end())
            return false;
        ++m_reads[path];
        text = it->second;
        return true;
    }
    int Reads(const std::string& path)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_reads[path];
    }

private:
    std::mutex m_lock;
    std::map<std::string, std::string> m_files;
    std::map<std::string, int> m_reads;
};

std::string Path(const std::string& name)
{
    return "C:\\proj\\" + name + ".bas";
}

struct Opened {
    CEditRDocLines lines;
    bool ok = false;
};

Opened Open(MemoryFiles& files, const std::string& name)
{
    Opened o;
    o.lines.m_fileType = FileTypeOfPath(Path(name));
    EXPECT_TRUE(o.lines.SetFilePath(Path(name), files));
    o.ok = o.lines.ReadFile(files);
    return o;
}

// A chain of programs c<first>..c<first+count-1>, each including the next
// and using a name of its own.
void AddChain(MemoryFiles& files, const std::string& prefix, int count)
{
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> lines{"v" + std::to_string(i) + "=1"};
        if (i + 1 < count)
            lines.push_back("INCLUDE \"" + prefix + std::to_string(i + 1) + "\"");
        files.Add(Path(prefix + std::to_string(i)), lines);
    }
}

TEST(ProgramLines, ReadsLinesLabelsAndNames)
{
    MemoryFiles files;
    files.Add(Path("MAIN"), {"start: a=1", "  INCLUDE \"LIB\"", "GOTO start", "b=a", "", "loop: c=b"});
    files.Add(Path("LIB"), {"libl: b=2 : d=3", "INCLUDE \"MAIN\""});
    Opened o = Open(files, "MAIN");
    EXPECT_TRUE(o.ok);
    ASSERT_EQ(6u, o.lines.m_lines.size());
    EXPECT_FALSE(o.lines.m_lines[0].IsPending());
    // Only the program's own labels; names once each, in order met.
    EXPECT_EQ((std::vector<std::string>{"start", "loop"}), o.lines.m_labels);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "d", "c"}), o.lines.m_names);
    EXPECT_EQ(2, o.lines.FindNameIndex("d"));
    EXPECT_EQ(-1, o.lines.FindNameIndex("D"));
    EXPECT_EQ(1, files.Reads(Path("MAIN")));
    EXPECT_EQ(1, files.Reads(Path("LIB")));
}

// CR, LF and CR LF each end a line, and the file's text comes back byte
// for byte from an unchanged program.
TEST(ProgramLines, LineEndsRoundTripByteForByte)
{
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"LF", "a=1\nb=2\n", {"a=1", "b=2"}},
        {"CRLF", "a=1\r\nb=2\r\n", {"a=1", "b=2"}},
        {"CR", "a=1\rb=2\r", {"a=1", "b=2"}},
        {"mixed", "a=1\r\nb=2\rc=3\n\r\n", {"a=1", "b=2", "c=3", ""}},
        {"LF, no final end", "a=1\nb=2", {"a=1", "b=2"}},
        {"CR, no final end", "a=1\rb=2", {"a=1", "b=2"}},
        {"CRLF, no final end", "a=1\r\nb=2", {"a=1", "b=2"}},
        {"one line, no end", "a=1", {"a=1"}},
        {"empty lines only", "\r\n\r\n", {"", ""}},
        {"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
        {"empty file", "", {}},
        {"control bytes", std::string("a=\x1b" "1\r\nb\x02\0c\r\n", 12), {"a=\x1b" "1", std::string("b\x02\0c", 4)}},
    };
    for (const auto& c : cases) {
        MemoryFiles files;
        files.AddText(Path("RT"), c.text);
        Opened o = Open(files, "RT");
        EXPECT_TRUE(o.ok) << c.name;
        std::vector<std::string> texts;
        for (const CEditRLine& line : o.lines.m_lines)
            texts.push_back(line.Text());
        EXPECT_EQ(c.lines, texts) << c.name;
        EXPECT_EQ(c.text, o.lines.FileText()) << c.name;
    }
}

TEST(ProgramLines, NewLinesTakeTheFilesLineEnd)
{
    const struct {
        std::string text;
        std::string saved; // after a line "n" is added at the end
    } cases[] = {
        {"a\nb\n", "a\nb\nn\n"},
        {"a\rb", "a\rb\rn"},
        {"a", "a\r\nn"},
        {"", "n\r\n"},
    };
    for (const auto& c : cases) {
        MemoryFiles files;
        files.AddText(Path("NL"), c.text);
        Opened o = Open(files, "NL");
        CEditRLine line;
        line.SetText("n", false);
        o.lines.m_lines.push_back(line);
        EXPECT_EQ(c.saved, o.lines.FileText()) << c.text;
    }
}

TEST(ProgramLines, SelfIncludeCyclesAndSharedNamesEnd)
{
    MemoryFiles files;
    files.Add(Path("SELF"), {"x=1", "INCLUDE \"SELF\""});
    files.Add(Path("A"), {"a=shared", "INCLUDE \"B\""});
    files.Add(Path("B"), {"b=shared", "INCLUDE \"C\""});
    files.Add(Path("C"), {"c=shared", "INCLUDE \"A\"", "INCLUDE \"B\""});
    Opened self = Open(files, "SELF");
    EXPECT_TRUE(self.ok);
    EXPECT_EQ(std::vector<std::string>{"x"}, self.lines.m_names);
    EXPECT_EQ(1, files.Reads(Path("SELF")));

    Opened a = Open(files, "A");
    EXPECT_TRUE(a.ok);
    EXPECT_EQ((std::vector<std::string>{"a", "shared", "b", "c"}), a.lines.m_names);
    EXPECT_EQ(1, files.Reads(Path("C")));
}

TEST(ProgramLines, IncludeDepthIsBounded)
{
    MemoryFiles files;
    AddChain(files, "s", 16);
    AddChain(files, "l", 17);
    Opened deep16 = Open(files, "s0");
    EXPECT_TRUE(deep16.ok);
    EXPECT_EQ(16u, deep16.lines.m_names.size());

    // The innermost program of 17 is refused; what was gathered stays.
    Opened deep17 = Open(files, "l0");
    EXPECT_FALSE(deep17.ok);
    EXPECT_EQ(16u, deep17.lines.m_names.size());
    EXPECT_EQ(0, files.Reads(Path("l16")));
}

TEST(ProgramLines, MissingIncludeFailsButTheWalkGoesOn)
{
    MemoryFiles files;
    files.Add(Path("M"), {"INCLUDE \"GONE\"", "after=1"});
    Opened o = Open(files, "M");
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(std::vector<std::string>{"after"}, o.lines.m_names);

    // Another file type has no labels and no names.
    files.Add("C:\\proj\\notes.txt", {"lbl: a=1"});
    CEditRDocLines text;
    text.m_fileType = FileTypeOfPath("C:\\proj\\notes.txt");
    ASSERT_TRUE(text.SetFilePath("C:\\proj\\notes.txt", files));
    EXPECT_TRUE(text.ReadFile(files));
    EXPECT_TRUE(text.m_labels.empty());
    EXPECT_TRUE(text.m_names.empty());

    CEditRDocLines none;
    EXPECT_FALSE(none.SetFilePath(Path("NOPE"), files));
    EXPECT_EQ("", none.m_path);
    EXPECT_FALSE(none.ReadFile(files));
}

TEST(ProgramLines, TwoGatheringsOnTwoThreadsBothSucceed)
{
    MemoryFiles files;
    AddChain(files, "p", 10);
    AddChain(files, "q", 10);
    for (int round = 0; round < 20; ++round) {
        bool ok[2] = {false, false};
        size_t names[2] = {0, 0};
        std::thread t1([&] {
            Opened o = Open(files, "p0");
            ok[0] = o.ok;
            names[0] = o.lines.m_names.size();
        });
        std::thread t2([&] {
            Opened o = Open(files, "q0");
            ok[1] = o.ok;
            names[1] = o.lines.m_names.size();
        });
        t1.join();
        t2.join();
        ASSERT_TRUE(ok[0] && ok[1]);
        ASSERT_EQ(10u, names[0]);
        ASSERT_EQ(10u, names[1]);
    }
}

TEST(ProgramLines, SiblingPathsAndMerging)
{
    CEditRDocLines lines;
    const struct {
        const char* path;
        const char* sibling;
    } cases[] = {
        {"C:\\proj\\MAIN.BAS", "C:\\proj\\LIB.BAS"},
        {"\\MAIN.BAS", ""},
        {"C:\\proj\\MAIN", ""},
        {"C:\\p.d\\MAIN", ""},
        {"MAIN.BAS", ""},
    };
    for (const auto& c : cases) {
        lines.m_path = c.path;
        EXPECT_EQ(c.sibling, lines.GetSiblingPath("LIB")) << c.path;
    }
    std::vector<std::string> target{"a", "B"};
    CEditRDocLines::MergeNames(target, {"b", "a", "c", "c"});
    EXPECT_EQ((std::vector<std::string>{"a", "B", "b", "c"}), target);
}

} // namespace
} // namespace editor
