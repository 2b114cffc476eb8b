#include "foundation/xmlfile.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/tests/xml_items.h"
#include "testsupport/captured_log.h"
#include "testsupport/scratch_folder.h"

namespace {

class TestXMLReader : public CXMLFile {
public:
    void Add(LPCSTR text) { m_strings.AddTail(text); }
};

TEST(XMLFileTest, ReadsAFileItemByItem)
{
    ScratchFolder folder;
    const std::string path = folder / "keys.xml";
    ASSERT_TRUE(WriteWholeFile(path, "<?xml version=\"1.0\"?>\r\n<Keys>\r\n<Key name=\"GOTO\"\r\n"
                                     "  id=\"12\"/>\r\nGOTO\r\n</Keys>\r\n"));
    TestXMLReader reader;
    CString markup, content;
    int kind = -1;
    EXPECT_FALSE(reader.ReadItem(markup, content, kind));
    EXPECT_EQ(XML_ITEM_NONE, kind);
    EXPECT_FALSE(reader.IsOpen());

    ASSERT_TRUE(reader.Open(path.c_str()));
    EXPECT_TRUE(reader.IsOpen());
    std::vector<Item> items;
    while (reader.ReadItem(markup, content, kind))
        items.push_back({kind, markup.GetString(), content.GetString()});
    const std::vector<Item> expected = {
        {XML_ITEM_PROCESSING, "?xml version=\"1.0\"?", ""},
        {XML_ITEM_TAG, "Keys", ""},
        {XML_ITEM_TAG, "Key name=\"GOTO\"   id=\"12\"/", ""},
        {XML_ITEM_TAG, "/Keys", "GOTO"},
    };
    EXPECT_EQ(expected, items);
    EXPECT_EQ(6, reader.GetLineCount());
    EXPECT_NE(-1, reader.GetFilePath().Find("keys.xml"));

    EXPECT_FALSE(reader.ContainsString("GOTO"));
    reader.Add("GOTO");
    EXPECT_TRUE(reader.ContainsString("GOTO"));
    EXPECT_FALSE(reader.ContainsString("goto"));
    EXPECT_FALSE(reader.ContainsString(""));

    EXPECT_EQ(CString(), reader.GetErrorText());

    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(0, reader.GetLineCount());
    EXPECT_FALSE(reader.Open((folder / "missing.xml").c_str()));
}

TEST(XMLFileTest, AFileCutOffInsideMarkupIsAnErrorWithItsLine)
{
    CapturedGlobalLog log;
    ScratchFolder folder;
    const std::string path = folder / "cut.xml";
    ASSERT_TRUE(WriteWholeFile(path, "<Keys>\r\n<Key name=\"GOTO\"\r\n  id=\"1"));
    TestXMLReader reader;
    ASSERT_TRUE(reader.Open(path.c_str()));
    CString markup, content;
    int kind = 0;
    EXPECT_TRUE(reader.ReadItem(markup, content, kind));
    EXPECT_FALSE(reader.ReadItem(markup, content, kind));
    EXPECT_EQ(XML_ITEM_ERROR, kind);
    const CString expected = reader.GetFilePath() + "(2): the file ends inside markup";
    EXPECT_EQ(expected, reader.GetErrorText());
    EXPECT_NE(std::string::npos, log.Text().find(expected.GetString()));

    // Opening again starts clean.
    ASSERT_TRUE(reader.Open(path.c_str()));
    EXPECT_EQ(CString(), reader.GetErrorText());
}

} // namespace
