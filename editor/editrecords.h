// Small records of the editor that other windows share: a label with its
// line (the Goto list), the project window's request to open an editor,
// and a declared variable for the watch window's table. Plain C++, no
// Win32.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace editor {

class CEditLabelDef {
public:
    CEditLabelDef() = default;
    CEditLabelDef(std::string name, int line) : m_name(std::move(name)), m_line(line) {}
    virtual ~CEditLabelDef() = default;
    CEditLabelDef(const CEditLabelDef&) = default;
    CEditLabelDef& operator=(const CEditLabelDef&) = default;

    std::string m_name;
    int m_line = 0;
};

// Orderings for sorting labels, each descending; a missing record sorts
// after a present one. Negative when a comes first, positive when b does.
int CompareLabelsByName(const CEditLabelDef* a, const CEditLabelDef* b);
int CompareLabelsByLine(const CEditLabelDef* a, const CEditLabelDef* b);

// The project window's request to open an editor on a program, and to
// show one of its lines.
class COpenEdit {
public:
    COpenEdit() = default;
    COpenEdit(std::string program, bool showLine, int line)
        : m_showLine(showLine ? 1 : 0), m_program(std::move(program)), m_line(showLine ? line : -1)
    {
    }
    virtual ~COpenEdit() = default;
    COpenEdit(const COpenEdit&) = default;
    COpenEdit& operator=(const COpenEdit&) = default;

    int m_word = 0;
    int m_showLine = 0; // 1: show m_line
    std::string m_program;
    int m_line = -1;    // -1 none
};

// A declared variable: its index (the controller's LOOKUP numbering of the
// program's locals: the order in which the names first appear), its name
// and the program that declares it.
class CVariableData {
public:
    CVariableData() = default;
    CVariableData(std::string name, std::string program)
        : m_name(std::move(name)), m_program(std::move(program))
    {
    }
    virtual ~CVariableData() = default;
    CVariableData(const CVariableData&) = default;
    CVariableData& operator=(const CVariableData&) = default;

    int m_index = 0;
    std::string m_name;
    std::string m_program;
};

// Declared variables by name.
using VariableTable = std::map<std::string, CVariableData>;

// One watch item for the watch window (0x819F, wParam 0), sent.
struct SWatchItem {
    char name[32];
    char program[16];
    std::int32_t index;   // the variable's LOOKUP index; -1 not found
    std::int32_t process; // -1: none
    std::int32_t vrIndex; // -1: a named variable
};
static_assert(sizeof(SWatchItem) == 60, "watch item layout");

// Adds a record (name, program) for every name the table does not hold
// yet, its index the name's place in names (names in the order they first
// appear), keeping the records it holds. Returns the number added + 1.
int AddVariables(VariableTable& table, const std::vector<std::string>& names, const std::string& program);

} // namespace editor
