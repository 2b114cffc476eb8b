#include "editor/editrecords.h"

namespace editor {

namespace {

// Missing records after present ones; then by the key, larger first.
template <class Key> int CompareDescending(const CEditLabelDef* a, const CEditLabelDef* b, Key key)
{
    if (!a || !b)
        return (a ? 0 : 1) - (b ? 0 : 1);
    const auto &ka = key(*a), &kb = key(*b);
    return ka > kb ? -1 : (kb > ka ? 1 : 0);
}

} // namespace

int CompareLabelsByName(const CEditLabelDef* a, const CEditLabelDef* b)
{
    return CompareDescending(a, b, [](const CEditLabelDef& l) -> const std::string& { return l.m_name; });
}

int CompareLabelsByLine(const CEditLabelDef* a, const CEditLabelDef* b)
{
    return CompareDescending(a, b, [](const CEditLabelDef& l) { return l.m_line; });
}

int AddVariables(VariableTable& table, const std::vector<std::string>& names, const std::string& program)
{
    int added = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const auto [it, inserted] = table.emplace(names[i], CVariableData(names[i], program));
        if (inserted) {
            it->second.m_index = static_cast<int>(i);
            ++added;
        }
    }
    return added + 1;
}

} // namespace editor
