// The XML item scanner and tag parser. Plain C++; also built natively.
#include "foundation/xmlparse.h"

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/tests/xml_items.h"

namespace {

// Every item the scanner finds in the lines.
std::vector<Item> Scan(const std::vector<std::string>& lines)
{
    CXMLScanner scanner;
    size_t next = 0;
    auto source = [&](CString& line) {
        if (next >= lines.size())
            return false;
        line = lines[next++].c_str();
        return true;
    };
    std::vector<Item> items;
    CString markup, content;
    int kind = -1;
    while (scanner.ReadItem(source, markup, content, kind))
        items.push_back({kind, markup.GetString(), content.GetString()});
    EXPECT_EQ(XML_ITEM_NONE, kind);
    EXPECT_EQ(0, scanner.GetErrorLine());
    return items;
}

// Input cut off inside markup is an error naming the line the markup
// began on, never a clean end; the items before it still come.
TEST(XMLScannerTest, InputEndingInsideMarkupIsAnError)
{
    struct Case {
        std::vector<std::string> lines;
        int items;
        int errorLine;
    };
    const Case cases[] = {
        {{"<a>", "<b name=\"x\""}, 1, 2},  {{"<a>", "<b", "  name=\"x\""}, 1, 2},        {{"<a>text<"}, 1, 1},
        {{"<?xml version=\"1.0\""}, 0, 1}, {{"<a>", "<!-- open comment", "more"}, 1, 2}, {{"<Key name=\"x\""}, 0, 1},
        {{"<a>", "</a>"}, 2, 0}, // complete: a clean end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.back());
        CXMLScanner scanner;
        size_t next = 0;
        auto source = [&](CString& line) {
            if (next >= c.lines.size())
                return false;
            line = c.lines[next++].c_str();
            return true;
        };
        CString markup, content;
        int kind = 99;
        int items = 0;
        while (scanner.ReadItem(source, markup, content, kind))
            ++items;
        EXPECT_EQ(c.items, items);
        EXPECT_EQ(c.errorLine ? XML_ITEM_ERROR : XML_ITEM_NONE, kind);
        EXPECT_EQ(c.errorLine, scanner.GetErrorLine());
        // Asking again gives the same answer.
        EXPECT_FALSE(scanner.ReadItem(source, markup, content, kind));
        EXPECT_EQ(c.errorLine ? XML_ITEM_ERROR : XML_ITEM_NONE, kind);
    }
}

TEST(XMLScannerTest, ElementThenWordOnTheNextLine)
{
    const std::vector<Item> items = Scan({"<Key name=\"GOTO\" id=\"12\"/>", "GOTO", "</Key>"});
    const std::vector<Item> expected = {
        {XML_ITEM_TAG, "Key name=\"GOTO\" id=\"12\"/", ""},
        {XML_ITEM_TAG, "/Key", "GOTO"},
    };
    EXPECT_EQ(expected, items);
}

TEST(XMLScannerTest, ItemKinds)
{
    const std::vector<Item> items =
        Scan({"<?xml version=\"1.0\"?>", "<!-- a comment -->", "<!DOCTYPE keys>", "<Keys>", "</Keys>"});
    const std::vector<Item> expected = {
        {XML_ITEM_PROCESSING, "?xml version=\"1.0\"?", ""},
        {XML_ITEM_DECLARATION, "!-- a comment --", ""},
        {XML_ITEM_DECLARATION, "!DOCTYPE keys", ""},
        {XML_ITEM_TAG, "Keys", ""},
        {XML_ITEM_TAG, "/Keys", ""},
    };
    EXPECT_EQ(expected, items);
}

TEST(XMLScannerTest, ContentLinesJoinWithoutSeparatorAndAreTrimmed)
{
    const std::vector<Item> items = Scan({"<a>  first", "second  </a>", "tail without markup"});
    const std::vector<Item> expected = {
        {XML_ITEM_TAG, "a", ""},
        {XML_ITEM_TAG, "/a", "firstsecond"},
    };
    EXPECT_EQ(expected, items);
}

TEST(XMLScannerTest, ATagSplitAcrossLinesParses)
{
    const std::vector<Item> items = Scan({"<Key name=\"GOTO\"", "id=\"12\"/>text</Key>"});
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ("Key name=\"GOTO\" id=\"12\"/", items[0].markup);
    CXMLTagInfo tag;
    ASSERT_TRUE(tag.ParseTag(items[0].markup.c_str()));
    EXPECT_STREQ("Key", tag.m_name);
    ASSERT_EQ(2, tag.m_attributes.GetCount());
    EXPECT_STREQ("12", tag.FindAttribute("id")->m_value);
    EXPECT_TRUE(tag.m_emptyElement);
    EXPECT_EQ("text", items[1].content);

    // Split right after "<" and right after the name.
    const std::vector<Item> more = Scan({"<", "Key", "name=\"A\">"});
    ASSERT_EQ(1u, more.size());
    ASSERT_TRUE(tag.ParseTag(more[0].markup.c_str())) << more[0].markup;
    EXPECT_STREQ("Key", tag.m_name);
    EXPECT_STREQ("A", tag.FindAttribute("name")->m_value);
}

TEST(XMLScannerTest, CommentEndsAtItsFirstAngle)
{
    const std::vector<Item> items = Scan({"<!-- a > b -->"});
    const std::vector<Item> expected = {{XML_ITEM_DECLARATION, "!-- a ", ""}};
    EXPECT_EQ(expected, items);
}

TEST(XMLScannerTest, EmptyInputGivesNoItem)
{
    EXPECT_TRUE(Scan({}).empty());
}

struct TagCase {
    const char* text;
    bool ok;
    const char* name;
    bool endTag;
    bool empty;
    int attributes;
    const char* format;
};

TEST(XMLTagInfoTest, ParseTable)
{
    const TagCase cases[] = {
        {"Key name=\"GOTO\" id=\"12\"/", true, "Key", false, true, 2, "Key name=\"GOTO\" id=\"12\" /"},
        {"/Key", true, "Key", true, false, 0, "/Key"},
        {"  Keys  ", true, "Keys", false, false, 0, "Keys"},
        {"_a1 x = \"1\"", true, "_a1", false, false, 1, "_a1 x=\"1\""},
        {"Item v=\"a > b\"", true, "Item", false, false, 1, "Item v=\"a > b\""},
        {"Item v=\"open", true, "Item", false, false, 1, "Item v=\"open\""},
        {"Item v=\"\"", true, "Item", false, false, 1, "Item v"},
        {"my-tag", false, "my", false, false, 0, "my"},
        {"ns:tag", false, "ns", false, false, 0, "ns"},
        {"1tag", false, "", false, false, 0, ""},
        {"/", false, "", false, false, 0, ""},
        {"", false, "", false, false, 0, ""},
        {"Item v", false, "Item", false, false, 1, "Item v"},
        {"Item v=1", false, "Item", false, false, 1, "Item v"},
        {"Item a=\"1\"b=\"2\"", false, "Item", false, false, 2, "Item a=\"1\" "},
    };
    for (const TagCase& c : cases) {
        CXMLTagInfo tag;
        EXPECT_EQ(c.ok, tag.ParseTag(c.text) != FALSE) << c.text;
        EXPECT_STREQ(c.name, tag.m_name) << c.text;
        EXPECT_EQ(c.endTag, tag.m_endTag != FALSE) << c.text;
        EXPECT_EQ(c.empty, tag.m_emptyElement != FALSE) << c.text;
        EXPECT_EQ(c.attributes, tag.m_attributes.GetCount()) << c.text;
        EXPECT_STREQ(c.format, tag.Format()) << c.text;
    }
}

TEST(XMLTagInfoTest, AttributesInDocumentOrder)
{
    CXMLTagInfo tag;
    ASSERT_TRUE(tag.ParseTag("Key name=\"GOTO\" id=\"12\"/"));
    EXPECT_STREQ("name", tag.m_attributes.GetAt(0)->m_name);
    EXPECT_STREQ("GOTO", tag.m_attributes.GetAt(0)->m_value);
    EXPECT_STREQ("id", tag.m_attributes.GetAt(1)->m_name);
    EXPECT_EQ(nullptr, tag.FindAttribute("Name"));
    EXPECT_EQ(nullptr, tag.FindAttribute(""));
    EXPECT_EQ(nullptr, tag.FindAttribute(nullptr));

    CXMLTagInfo copy;
    copy = tag;
    EXPECT_STREQ(tag.Format(), copy.Format());
    CXMLTagInfo constructed(tag);
    EXPECT_STREQ(tag.Format(), constructed.Format());
    copy.Clear();
    EXPECT_STREQ("", copy.Format());
    EXPECT_TRUE(copy.m_attributes.IsEmpty());
}

TEST(XMLAttributeInfoTest, TextForms)
{
    EXPECT_STREQ("", CXMLAttributeInfo("", "x").GetText());
    EXPECT_STREQ("flag", CXMLAttributeInfo("flag", "").GetText());
    EXPECT_STREQ("a=\"b c\"", CXMLAttributeInfo("a", "b c").GetText());
}

} // namespace
