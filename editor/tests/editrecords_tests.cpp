#include "editor/editrecords.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace editor {
namespace {

TEST(EditRecords, LabelOrderingsAreDescendingWithMissingRecordsLast)
{
    const CEditLabelDef a("alpha", 7), b("beta", 2), b2("beta", 9);
    const struct {
        const CEditLabelDef* left;
        const CEditLabelDef* right;
        int byName, byLine;
    } cases[] = {
        {&a, &b, 1, -1},
        {&b, &a, -1, 1},
        {&b, &b2, 0, 1},
        {&a, nullptr, -1, -1},
        {nullptr, &a, 1, 1},
        {nullptr, nullptr, 0, 0},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const auto& c : cases) {
        EXPECT_EQ(c.byName, sign(CompareLabelsByName(c.left, c.right)));
        EXPECT_EQ(c.byLine, sign(CompareLabelsByLine(c.left, c.right)));
    }

    std::vector<const CEditLabelDef*> labels{nullptr, &b, &a, &b2};
    std::sort(labels.begin(), labels.end(),
              [](const CEditLabelDef* l, const CEditLabelDef* r) { return CompareLabelsByLine(l, r) < 0; });
    EXPECT_EQ((std::vector<const CEditLabelDef*>{&b2, &a, &b, nullptr}), labels);

    CEditLabelDef copy;
    copy = b2;
    EXPECT_EQ("beta", copy.m_name);
    EXPECT_EQ(9, copy.m_line);
}

TEST(EditRecords, OpenRequestCopiesEveryField)
{
    COpenEdit request("MAIN", true, 12);
    request.m_word = 3;
    const COpenEdit copy(request);
    EXPECT_EQ(3, copy.m_word);
    EXPECT_EQ(1, copy.m_showLine);
    EXPECT_EQ("MAIN", copy.m_program);
    EXPECT_EQ(12, copy.m_line);
    EXPECT_EQ(-1, COpenEdit("MAIN", false, 12).m_line);
    EXPECT_EQ(0, COpenEdit().m_word);
}

TEST(EditRecords, VariablesAlreadyInTheTableKeepTheirRecords)
{
    VariableTable table;
    table["speed"] = CVariableData("speed", "OTHER");
    table["speed"].m_index = 2;
    EXPECT_EQ(3, AddVariables(table, {"speed", "count", "Count", "count"}, "MAIN"));
    ASSERT_EQ(3u, table.size());
    EXPECT_EQ("OTHER", table["speed"].m_program);
    EXPECT_EQ(2, table["speed"].m_index);
    EXPECT_EQ("MAIN", table["Count"].m_program);
    EXPECT_EQ("count", table["count"].m_name);
    // The index is the place where the name first appears.
    EXPECT_EQ(1, table["count"].m_index);
    EXPECT_EQ(2, table["Count"].m_index);
    EXPECT_EQ(1, AddVariables(table, {}, "MAIN"));
}

} // namespace
} // namespace editor
