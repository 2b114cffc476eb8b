#include "settings/vqregistry.h"

#include <cstddef>
#include <cstring>

#include "foundation/textutil.h"

namespace {

const VQValueDef kValues[] = {
#define VQ_NUMBER(Name, Kind, Key, KeyMissing, ValueMissing, ReadClamp, WriteClamp, WriteIf)                           \
    {VQKEY_##Key,  #Name,     #Name,      VQKind::Kind,       false,           KeyMissing,                             \
     ValueMissing, ReadClamp, WriteClamp, VQWriteIf::WriteIf, VQFallback::None},
#define VQ_TEXT(Name, Key, Fallback, WriteIf)                                                                          \
    {VQKEY_##Key, #Name, #Name, VQKind::Text, false, 0, 0, VQ_NONE, VQ_NONE, VQWriteIf::WriteIf, VQFallback::Fallback},
#define VQ_NUMBERED(Name, Kind, Key, Format, KeyMissing, ValueMissing, WriteIf)                                        \
    {VQKEY_##Key,        Format,          #Name, VQKind::Kind, true, KeyMissing, ValueMissing, VQ_NONE, VQ_NONE,       \
     VQWriteIf::WriteIf, VQFallback::None},
#define VQ_NUMBERED_TEXT(Name, Key, Format)                                                                            \
    {VQKEY_##Key, Format, #Name, VQKind::Text, true, 0, 0, VQ_NONE, VQ_NONE, VQWriteIf::Always, VQFallback::None},
#include "settings/vqregistry_values.h"
#undef VQ_NUMBER
#undef VQ_TEXT
#undef VQ_NUMBERED
#undef VQ_NUMBERED_TEXT
};
static_assert(sizeof kValues / sizeof kValues[0] == VQ_VALUE_COUNT, "one row per id");

const char kDXDriveKey[] = "Software\\Norvale\\DDP";

LONGLONG Clamp(LONGLONG value, const VQClamp& clamp)
{
    if (!clamp.on)
        return value;
    if (value < clamp.low)
        return clamp.low;
    if (value > clamp.high)
        return clamp.high;
    return value;
}

// Joins key parts, putting a backslash between parts that do not begin
// with one.
CString JoinKey(const CString& first, LPCSTR second)
{
    if (!second || !*second)
        return first;
    if (second[0] == '\\')
        return first + second;
    return first + "\\" + second;
}

// The stored bits of a DWORD as the kind reads them.
LONGLONG FromStored(VQKind kind, DWORD raw)
{
    switch (kind) {
    case VQKind::Int:
        return static_cast<LONGLONG>(static_cast<int>(raw));
    case VQKind::Word:
        return raw & 0xFFFF;
    case VQKind::Flag:
    case VQKind::Dword:
    case VQKind::Text:
        break;
    }
    return raw;
}

DWORD ToStored(VQKind kind, LONGLONG value)
{
    switch (kind) {
    case VQKind::Flag:
        return value ? 1 : 0;
    case VQKind::Word:
        return static_cast<DWORD>(value & 0xFFFF);
    case VQKind::Dword:
    case VQKind::Int:
    case VQKind::Text:
        break;
    }
    return static_cast<DWORD>(value);
}

// Copies text into a fixed field; FALSE (and an empty field) when it does
// not fit.
bool CopyToField(char* field, size_t size, const CString& text)
{
    if (static_cast<size_t>(text.GetLength()) >= size) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text.GetString(), static_cast<size_t>(text.GetLength()) + 1);
    return true;
}

CString FromField(const char* field, size_t size)
{
    size_t length = 0;
    while (length < size && field[length])
        ++length;
    return CString(field, static_cast<int>(length));
}

// ---- Record groups -------------------------------------------------------

enum class FieldKind { Dword, Double, Text };

struct FieldDef {
    const char* name;
    FieldKind kind;
    size_t offset;
    size_t size; // bytes of a text field
};

#define DWORD_FIELD(Record, name, member)                                                                              \
    {                                                                                                                  \
        name, FieldKind::Dword, offsetof(Record, member), sizeof(DWORD)                                                \
    }
#define DOUBLE_FIELD(Record, name, member)                                                                             \
    {                                                                                                                  \
        name, FieldKind::Double, offsetof(Record, member), sizeof(double)                                              \
    }
#define TEXT_FIELD(Record, name, member)                                                                               \
    {                                                                                                                  \
        name, FieldKind::Text, offsetof(Record, member), sizeof(Record::member)                                        \
    }

const FieldDef kChannelFields[] = {
    DWORD_FIELD(VQScopeChannel, "OpMode", opMode),    TEXT_FIELD(VQScopeChannel, "Parameter", parameter),
    DWORD_FIELD(VQScopeChannel, "Item", item),        DOUBLE_FIELD(VQScopeChannel, "VScale", vScale),
    DOUBLE_FIELD(VQScopeChannel, "VOffset", vOffset), DWORD_FIELD(VQScopeChannel, "AutoCentre", autoCentre),
    DWORD_FIELD(VQScopeChannel, "Scaling", scaling),
};

const FieldDef kTimebaseFields[] = {
    DOUBLE_FIELD(VQScopeTimebase, "Timebase", timebase),
    DOUBLE_FIELD(VQScopeTimebase, "HOffset", hOffset),
    DWORD_FIELD(VQScopeTimebase, "DisplayMode", displayMode),
    DWORD_FIELD(VQScopeTimebase, "TriggerMode", triggerMode),
    DWORD_FIELD(VQScopeTimebase, "TriggerSource", triggerSource),
};

const FieldDef kCaptureFields[] = {
    DWORD_FIELD(VQScopeCapture, "SamplesPerDiv", samplesPerDiv),
    DWORD_FIELD(VQScopeCapture, "TablePointsPerDiv", tablePointsPerDiv),
    DWORD_FIELD(VQScopeCapture, "AutoScaleTable", autoScaleTable),
    DWORD_FIELD(VQScopeCapture, "TableBlock0Start", tableBlock[0].start),
    DWORD_FIELD(VQScopeCapture, "TableBlock0End", tableBlock[0].end),
    DWORD_FIELD(VQScopeCapture, "TableBlock1Start", tableBlock[1].start),
    DWORD_FIELD(VQScopeCapture, "TableBlock1End", tableBlock[1].end),
    DWORD_FIELD(VQScopeCapture, "TableBlock2Start", tableBlock[2].start),
    DWORD_FIELD(VQScopeCapture, "TableBlock2End", tableBlock[2].end),
    DWORD_FIELD(VQScopeCapture, "TableBlock3Start", tableBlock[3].start),
    DWORD_FIELD(VQScopeCapture, "TableBlock3End", tableBlock[3].end),
};

const FieldDef kColourFields[] = {
    DWORD_FIELD(VQScopeColours, "Channel0Colour", channel[0]),
    DWORD_FIELD(VQScopeColours, "Channel1Colour", channel[1]),
    DWORD_FIELD(VQScopeColours, "Channel2Colour", channel[2]),
    DWORD_FIELD(VQScopeColours, "Channel3Colour", channel[3]),
    DWORD_FIELD(VQScopeColours, "BackgroundColour", background),
    DWORD_FIELD(VQScopeColours, "AxisColour", axis),
    DWORD_FIELD(VQScopeColours, "GridColour", grid),
    DWORD_FIELD(VQScopeColours, "Cursor0Colour", cursor[0]),
    DWORD_FIELD(VQScopeColours, "Cursor1Colour", cursor[1]),
    DWORD_FIELD(VQScopeColours, "Cursor2Colour", cursor[2]),
    DWORD_FIELD(VQScopeColours, "Cursor3Colour", cursor[3]),
    DWORD_FIELD(VQScopeColours, "EndPointColour", endPoint),
};

const FieldDef kCursorFields[] = {
    DWORD_FIELD(VQScopeCursors, "Cursor0", cursor[0]),
    DWORD_FIELD(VQScopeCursors, "Cursor1", cursor[1]),
    DWORD_FIELD(VQScopeCursors, "Cursor2", cursor[2]),
    DWORD_FIELD(VQScopeCursors, "Cursor3", cursor[3]),
    DWORD_FIELD(VQScopeCursors, "NumericDisplay", numericDisplay),
};

// The print margins and the font fields are read with a missing value
// giving 0, not stopping the group.
const FieldDef kMarginFields[] = {
    DWORD_FIELD(VQPrintMargins, "Left", left),     DWORD_FIELD(VQPrintMargins, "Top", top),
    DWORD_FIELD(VQPrintMargins, "Right", right),   DWORD_FIELD(VQPrintMargins, "Bottom", bottom),
    DWORD_FIELD(VQPrintMargins, "Metric", metric),
};

struct FontField {
    const char* name;
    size_t offset;
    bool byte; // a byte field: the low byte of the DWORD
};

const FontField kFontFields[] = {
    {"Height", offsetof(LOGFONTA, lfHeight), false},
    {"Width", offsetof(LOGFONTA, lfWidth), false},
    {"Escapement", offsetof(LOGFONTA, lfEscapement), false},
    {"Orientation", offsetof(LOGFONTA, lfOrientation), false},
    {"Weight", offsetof(LOGFONTA, lfWeight), false},
    {"Italic", offsetof(LOGFONTA, lfItalic), true},
    {"Underline", offsetof(LOGFONTA, lfUnderline), true},
    {"StrikeOut", offsetof(LOGFONTA, lfStrikeOut), true},
    {"CharSet", offsetof(LOGFONTA, lfCharSet), true},
    {"OutPrecision", offsetof(LOGFONTA, lfOutPrecision), true},
    {"ClipPrecision", offsetof(LOGFONTA, lfClipPrecision), true},
    {"Quality", offsetof(LOGFONTA, lfQuality), true},
    {"PitchAndFamily", offsetof(LOGFONTA, lfPitchAndFamily), true},
};
static_assert(sizeof(LOGFONTA) == 60, "the stored LOGFONT is the 60-byte LOGFONTA layout");

template <size_t N> int ReadGroup(const CString& path, const FieldDef (&fields)[N], void* record)
{
    CRegistry reg(HKEY_CURRENT_USER, path);
    if (!reg.KeyExists())
        return 0;
    BYTE* base = static_cast<BYTE*>(record);
    for (const FieldDef& field : fields) {
        switch (field.kind) {
        case FieldKind::Dword: {
            DWORD value = 0;
            if (!reg.GetDword(field.name, value))
                return 0;
            std::memcpy(base + field.offset, &value, sizeof value);
            break;
        }
        case FieldKind::Double: {
            double value = 0;
            if (!reg.GetDouble(field.name, value))
                return 0;
            std::memcpy(base + field.offset, &value, sizeof value);
            break;
        }
        case FieldKind::Text: {
            CString text;
            if (!reg.GetString(field.name, text))
                return 0;
            // The record keeps the first size - 1 characters.
            CopyTextBounded(reinterpret_cast<char*>(base + field.offset), static_cast<int>(field.size), text,
                            static_cast<int>(field.size) - 1);
            break;
        }
        }
    }
    return 1;
}

template <size_t N> int WriteGroup(const CString& path, const FieldDef (&fields)[N], const void* record)
{
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, path))
        return 0;
    const BYTE* base = static_cast<const BYTE*>(record);
    for (const FieldDef& field : fields) {
        BOOL ok = FALSE;
        switch (field.kind) {
        case FieldKind::Dword: {
            DWORD value;
            std::memcpy(&value, base + field.offset, sizeof value);
            ok = reg.SetDword(field.name, value);
            break;
        }
        case FieldKind::Double: {
            double value;
            std::memcpy(&value, base + field.offset, sizeof value);
            ok = reg.SetDouble(field.name, value);
            break;
        }
        case FieldKind::Text:
            ok = reg.SetString(field.name, FromField(reinterpret_cast<const char*>(base + field.offset), field.size));
            break;
        }
        if (!ok)
            return 0;
    }
    return 1;
}

LPCSTR const kColourNames[12] = {"CurrentLine", "Break",  "CurrentBreak", "ErrorLine", "KeyWord",    "Comment",
                                 "Constant",    "String", "LabelDef",     "LabelRef",  "Background", "Foreground"};

} // namespace

CString FormatValueName(LPCSTR format, int number)
{
    CString name;
    name.Format(format, number);
    return name;
}

// ---- The table -----------------------------------------------------------

const VQValueDef& CVQRegistry::GetValueDef(VQValueId id)
{
    return kValues[id];
}

const VQValueDef* CVQRegistry::GetValueTable(int& count)
{
    count = VQ_VALUE_COUNT;
    return kValues;
}

const VQValueDef* CVQRegistry::FindValue(LPCSTR name)
{
    if (!name)
        return nullptr;
    for (const VQValueDef& def : kValues) {
        if (CString(def.name).CompareNoCase(name) == 0 || CString(def.cppName).CompareNoCase(name) == 0)
            return &def;
    }
    return nullptr;
}

CString CVQRegistry::KeyPath(LPCSTR subkey)
{
    return JoinKey(VQ_ROOT_KEY, subkey);
}

CString CVQRegistry::ValueName(const VQValueDef& def, int number)
{
    return def.numbered ? FormatValueName(def.name, number) : CString(def.name);
}

// ---- Any row -------------------------------------------------------------

LONGLONG CVQRegistry::ReadNumber(VQValueId id, int number) const
{
    const VQValueDef& def = kValues[id];
    if (def.kind == VQKind::Text || (def.numbered && number < 0))
        return def.keyMissing;
    CRegistry reg(HKEY_CURRENT_USER, KeyPath(def.key));
    if (!reg.KeyExists())
        return def.keyMissing;
    DWORD raw = 0;
    const LONGLONG value = reg.GetDword(ValueName(def, number), raw) ? FromStored(def.kind, raw) : def.valueMissing;
    return Clamp(value, def.readClamp);
}

BOOL CVQRegistry::WriteNumber(VQValueId id, LONGLONG value, int number) const
{
    const VQValueDef& def = kValues[id];
    if (def.kind == VQKind::Text || (def.numbered && number < 0))
        return FALSE;
    if ((def.writeIf == VQWriteIf::Positive && value <= 0) || (def.writeIf == VQWriteIf::NotNegative && value < 0))
        return FALSE;
    value = Clamp(value, def.writeClamp);
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, KeyPath(def.key)))
        return FALSE;
    return reg.SetDword(ValueName(def, number), ToStored(def.kind, value));
}

CString CVQRegistry::ReadText(VQValueId id, int number) const
{
    const VQValueDef& def = kValues[id];
    CString text;
    if (def.kind != VQKind::Text || (def.numbered && number < 0))
        return text;
    CRegistry(HKEY_CURRENT_USER, KeyPath(def.key)).GetString(ValueName(def, number), text);
    if (!text.IsEmpty())
        return text;
    switch (def.fallback) {
    case VQFallback::LocalMachine:
        CRegistry(HKEY_LOCAL_MACHINE, KeyPath(def.key)).GetString(ValueName(def, number), text);
        break;
    case VQFallback::DXDrive: {
        CString folder;
        if (CRegistry(HKEY_LOCAL_MACHINE, kDXDriveKey).GetString("DBPath", folder) && !folder.IsEmpty())
            text = folder + "\\DXDrive.dxd";
        break;
    }
    case VQFallback::None:
        break;
    }
    return text;
}

BOOL CVQRegistry::WriteText(VQValueId id, LPCSTR value, int number) const
{
    const VQValueDef& def = kValues[id];
    if (def.kind != VQKind::Text || (def.numbered && number < 0))
        return FALSE;
    if (def.writeIf == VQWriteIf::NonEmpty && (!value || !*value))
        return FALSE;
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, KeyPath(def.key)))
        return FALSE;
    return reg.SetString(ValueName(def, number), value ? value : "");
}

LONGLONG CVQRegistry::GetNumber(LPCSTR name, int number) const
{
    const VQValueDef* def = FindValue(name);
    return def ? ReadNumber(static_cast<VQValueId>(def - kValues), number) : 0;
}

BOOL CVQRegistry::SetNumber(LPCSTR name, LONGLONG value, int number) const
{
    const VQValueDef* def = FindValue(name);
    return def ? WriteNumber(static_cast<VQValueId>(def - kValues), value, number) : FALSE;
}

CString CVQRegistry::GetText(LPCSTR name, int number) const
{
    const VQValueDef* def = FindValue(name);
    return def ? ReadText(static_cast<VQValueId>(def - kValues), number) : CString();
}

BOOL CVQRegistry::SetText(LPCSTR name, LPCSTR value, int number) const
{
    const VQValueDef* def = FindValue(name);
    return def ? WriteText(static_cast<VQValueId>(def - kValues), value, number) : FALSE;
}

// ---- Keys ----------------------------------------------------------------

BOOL CVQRegistry::CreateProjectsKey() const
{
    return CRegistry::CreatePath(HKEY_CURRENT_USER, KeyPath(VQKEY_Projects));
}

BOOL CVQRegistry::MainWindowKeyExists() const
{
    return CRegistry(HKEY_CURRENT_USER, KeyPath(VQKEY_MainWindow)).KeyExists();
}

// ---- External tools ------------------------------------------------------

namespace {

CString ToolKey(int index)
{
    return CVQRegistry::KeyPath(VQKEY_External) + "\\" + FormatValueName("Tool%02d", index);
}

} // namespace

int CVQRegistry::GetExternalToolCount() const
{
    int count = 0;
    while (count < 100 && CRegistry(HKEY_CURRENT_USER, ToolKey(count)).KeyExists())
        ++count;
    return count;
}

int CVQRegistry::GetExternalTool(int index, VQExternalTool* tool) const
{
    if (!tool || index < 0 || index >= GetExternalToolCount())
        return 0;
    CRegistry reg(HKEY_CURRENT_USER, ToolKey(index));
    if (!reg.KeyExists())
        return 0;
    CString name, file;
    reg.GetString("Name", name);
    reg.GetString("File", file);
    // Texts longer than the record's fields are refused.
    VQExternalTool read;
    if (!CopyToField(read.name, sizeof read.name, name) || !CopyToField(read.file, sizeof read.file, file))
        return 0;
    *tool = read;
    return 1;
}

int CVQRegistry::SetExternalTool(int index, const VQExternalTool* tool) const
{
    if (!tool || index < 0 || index >= GetExternalToolCount())
        return 0;
    CRegistry reg(HKEY_CURRENT_USER, ToolKey(index));
    if (!reg.KeyExists())
        return 0;
    reg.SetString("Name", FromField(tool->name, sizeof tool->name));
    reg.SetString("File", FromField(tool->file, sizeof tool->file));
    return 1;
}

void CVQRegistry::AddExternalTool(const VQExternalTool* tool) const
{
    if (!tool)
        return;
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, ToolKey(GetExternalToolCount())))
        return;
    reg.SetString("Name", FromField(tool->name, sizeof tool->name));
    reg.SetString("File", FromField(tool->file, sizeof tool->file));
}

int CVQRegistry::GetExternalToolFile(LPCSTR name, CString& file) const
{
    const int count = GetExternalToolCount();
    for (int i = 0; name && i < count; ++i) {
        CRegistry reg(HKEY_CURRENT_USER, ToolKey(i));
        CString toolName;
        if (reg.GetString("Name", toolName) && toolName.CompareNoCase(name) == 0) {
            reg.GetString("File", file);
            return 1;
        }
    }
    file.Empty();
    return 0;
}

void CVQRegistry::DeleteExternalTool(LPCSTR name) const
{
    if (!name)
        return;
    const int count = GetExternalToolCount();
    bool matched = false, rewritten = true;
    for (int i = 0; i < count; ++i) {
        CRegistry reg(HKEY_CURRENT_USER, ToolKey(i));
        CString toolName, toolFile;
        reg.GetString("Name", toolName);
        reg.GetString("File", toolFile);
        if (matched) {
            CRegistry lower(HKEY_CURRENT_USER, ToolKey(i - 1));
            if (!lower.SetString("Name", toolName) || !lower.SetString("File", toolFile))
                rewritten = false;
        } else if (toolName.CompareNoCase(name) == 0) {
            matched = true;
        }
    }
    if (matched && rewritten) {
        CRegistry(HKEY_CURRENT_USER, KeyPath(VQKEY_External)).DeleteSubKey(FormatValueName("Tool%02d", count - 1));
    }
}

// ---- Main window placement -----------------------------------------------

int CVQRegistry::GetMainWindowPlacement(WINDOWPLACEMENT& placement) const
{
    placement = WINDOWPLACEMENT();
    placement.length = sizeof placement;
    placement.flags = 0;
    placement.showCmd = SW_SHOWMAXIMIZED;
    placement.ptMinPosition = POINT{0, 0};
    placement.ptMaxPosition = POINT{0, 0};
    placement.rcNormalPosition = RECT{100, 100, 700, 500};
    CRegistry reg(HKEY_CURRENT_USER, KeyPath(VQKEY_MainWindow));
    if (!reg.KeyExists())
        return 0;
    CString state;
    if (!reg.GetString("State", state))
        state = "Max";
    placement.showCmd = state == "Max" ? SW_SHOWMAXIMIZED : state == "Min" ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    const struct {
        const char* name;
        LONG* field;
    } values[] = {
        {"MaxLeft", &placement.ptMaxPosition.x},          {"MaxTop", &placement.ptMaxPosition.y},
        {"MinLeft", &placement.ptMinPosition.x},          {"MinTop", &placement.ptMinPosition.y},
        {"NormLeft", &placement.rcNormalPosition.left},   {"NormTop", &placement.rcNormalPosition.top},
        {"NormRight", &placement.rcNormalPosition.right}, {"NormBottom", &placement.rcNormalPosition.bottom},
    };
    for (const auto& value : values) {
        DWORD raw = 0;
        if (reg.GetDword(value.name, raw))
            *value.field = static_cast<LONG>(raw);
    }
    return 1;
}

void CVQRegistry::SetMainWindowPlacement(const WINDOWPLACEMENT& placement) const
{
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, KeyPath(VQKEY_MainWindow)))
        return;
    const UINT show = placement.showCmd;
    const char* state = show == SW_SHOWNORMAL                                                             ? "Norm"
                        : (show == SW_SHOWMINIMIZED || show == SW_MINIMIZE || show == SW_SHOWMINNOACTIVE) ? "Min"
                                                                                                          : "Max";
    reg.SetString("State", state);
    reg.SetDword("MaxLeft", static_cast<DWORD>(placement.ptMaxPosition.x));
    reg.SetDword("MaxTop", static_cast<DWORD>(placement.ptMaxPosition.y));
    reg.SetDword("MinLeft", static_cast<DWORD>(placement.ptMinPosition.x));
    reg.SetDword("MinTop", static_cast<DWORD>(placement.ptMinPosition.y));
    reg.SetDword("NormLeft", static_cast<DWORD>(placement.rcNormalPosition.left));
    reg.SetDword("NormTop", static_cast<DWORD>(placement.rcNormalPosition.top));
    reg.SetDword("NormRight", static_cast<DWORD>(placement.rcNormalPosition.right));
    reg.SetDword("NormBottom", static_cast<DWORD>(placement.rcNormalPosition.bottom));
}

// ---- Editor colours ------------------------------------------------------

LPCSTR CVQRegistry::GetEditorColourName(int index)
{
    return index >= 0 && index < 12 ? kColourNames[index] : nullptr;
}

COLORREF CVQRegistry::GetDefaultEditorColour(int index)
{
    switch (index) {
    case 0:
        return RGB(0, 255, 0);
    case 1:
        return RGB(255, 0, 255);
    case 2:
        return RGB(255, 255, 0);
    case 3:
        return RGB(255, 0, 0);
    case 4:
        return RGB(128, 0, 0);
    case 5:
        return RGB(0, 128, 0);
    case 6:
    case 7:
        return RGB(0, 0, 128);
    case 8:
    case 9:
        return RGB(0, 128, 128);
    case 10:
        return ::GetSysColor(COLOR_WINDOW);
    case 11:
        return ::GetSysColor(COLOR_WINDOWTEXT);
    case 12:
        return RGB(255, 255, 200);
    case 13:
        return RGB(222, 255, 255);
    default:
        return 0;
    }
}

COLORREF CVQRegistry::GetEditorColour(int index) const
{
    LPCSTR name = GetEditorColourName(index);
    DWORD colour = 0;
    if (!name || !CRegistry(HKEY_CURRENT_USER, KeyPath(VQKEY_EditorColour)).GetDword(name, colour))
        return GetDefaultEditorColour(index);
    return colour;
}

void CVQRegistry::SetEditorColour(int index, COLORREF colour) const
{
    LPCSTR name = GetEditorColourName(index);
    CRegistry reg;
    if (name && reg.CreateAndOpen(HKEY_CURRENT_USER, KeyPath(VQKEY_EditorColour)))
        reg.SetDword(name, colour);
}

// ---- Histories -----------------------------------------------------------

void CVQRegistry::GetHistory(LPCSTR format, CStringList& list) const
{
    list.RemoveAll();
    CRegistry reg(HKEY_CURRENT_USER, KeyPath(VQKEY_EditorFind));
    if (!reg.KeyExists())
        return;
    for (int slot = 0; slot < VQ_HISTORY_SLOTS; ++slot) {
        CString text;
        if (reg.GetString(FormatValueName(format, slot), text) && !text.IsEmpty())
            list.AddTail(text);
    }
}

void CVQRegistry::SetHistory(LPCSTR format, const CStringList& list) const
{
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, KeyPath(VQKEY_EditorFind)))
        return;
    POSITION pos = list.GetHeadPosition();
    for (int slot = 0; slot < VQ_HISTORY_SLOTS; ++slot) {
        const CString name = FormatValueName(format, slot);
        if (pos) {
            const CString& text = list.GetNext(pos);
            if (!text.IsEmpty()) {
                reg.SetString(name, text);
                continue;
            }
        }
        // An empty entry, and every slot from the list's count on, holds
        // nothing.
        if (reg.ValueExists(name))
            reg.DeleteValue(name);
    }
}

void CVQRegistry::GetFindHistory(CStringList& list) const
{
    GetHistory("FindItem%02d", list);
}

void CVQRegistry::SetFindHistory(const CStringList& list) const
{
    SetHistory("FindItem%02d", list);
}

void CVQRegistry::GetReplaceHistory(CStringList& list) const
{
    GetHistory("ReplaceItem%02d", list);
}

void CVQRegistry::SetReplaceHistory(const CStringList& list) const
{
    SetHistory("ReplaceItem%02d", list);
}

// ---- Print margins -------------------------------------------------------

BOOL CVQRegistry::GetPrintMargins(VQPrintMargins& margins) const
{
    CRegistry reg(HKEY_CURRENT_USER, KeyPath(VQKEY_EditorPrint));
    if (!reg.KeyExists())
        return FALSE;
    BYTE* base = reinterpret_cast<BYTE*>(&margins);
    for (const FieldDef& field : kMarginFields) {
        DWORD value = 0;
        reg.GetDword(field.name, value); // a missing value reads 0
        std::memcpy(base + field.offset, &value, sizeof value);
    }
    return TRUE;
}

void CVQRegistry::SetPrintMargins(const VQPrintMargins& margins) const
{
    VQPrintMargins stored = margins;
    for (LONG* margin : {&stored.left, &stored.top, &stored.right, &stored.bottom}) {
        if (*margin < 0)
            *margin = 0;
    }
    WriteGroup(KeyPath(VQKEY_EditorPrint), kMarginFields, &stored);
}

// ---- Fonts ---------------------------------------------------------------

int CVQRegistry::GetFontSetting(LPCSTR subkey, LPCSTR name, LOGFONTA& font) const
{
    if (!name || !*name)
        return 0;
    CRegistry reg(HKEY_CURRENT_USER, JoinKey(KeyPath(subkey), name));
    if (!reg.KeyExists())
        return 0;
    LOGFONTA read = LOGFONTA();
    BYTE* base = reinterpret_cast<BYTE*>(&read);
    for (const FontField& field : kFontFields) {
        DWORD value = 0;
        reg.GetDword(field.name, value); // a missing value reads 0
        if (field.byte) {
            base[field.offset] = static_cast<BYTE>(value & 0xFF);
        } else {
            const LONG signedValue = static_cast<LONG>(value);
            std::memcpy(base + field.offset, &signedValue, sizeof signedValue);
        }
    }
    CString face;
    reg.GetString("FaceName", face);
    CopyTextBounded(read.lfFaceName, LF_FACESIZE, face, LF_FACESIZE - 1);
    font = read;
    return 1;
}

int CVQRegistry::SetFontSetting(LPCSTR subkey, LPCSTR name, const LOGFONTA& font) const
{
    if (!name || !*name)
        return 0;
    CRegistry parent;
    if (!parent.CreateAndOpen(HKEY_CURRENT_USER, KeyPath(subkey)))
        return 0;
    // A font stored in the older single-value form goes.
    if (parent.ValueExists(name))
        parent.DeleteValue(name);
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, JoinKey(KeyPath(subkey), name)))
        return 0;
    const BYTE* base = reinterpret_cast<const BYTE*>(&font);
    for (const FontField& field : kFontFields) {
        DWORD value;
        if (field.byte) {
            value = base[field.offset];
        } else {
            LONG signedValue;
            std::memcpy(&signedValue, base + field.offset, sizeof signedValue);
            value = static_cast<DWORD>(signedValue);
        }
        if (!reg.SetDword(field.name, value))
            return 0;
    }
    return reg.SetString("FaceName", FromField(font.lfFaceName, LF_FACESIZE)) ? 1 : 0;
}

// ---- Oscilloscope groups -------------------------------------------------

namespace {

CString ChannelKey(int channel)
{
    return CVQRegistry::KeyPath(VQKEY_Oscilloscope + FormatValueName("Channel%d", channel));
}

} // namespace

int CVQRegistry::GetScopeChannel(int channel, VQScopeChannel& record) const
{
    if (channel < 0 || channel > 3)
        return 0;
    return ReadGroup(ChannelKey(channel), kChannelFields, &record);
}

int CVQRegistry::SetScopeChannel(int channel, const VQScopeChannel& record) const
{
    if (channel < 0 || channel > 3)
        return 0;
    return WriteGroup(ChannelKey(channel), kChannelFields, &record);
}

int CVQRegistry::GetScopeTimebase(VQScopeTimebase& record) const
{
    return ReadGroup(KeyPath(VQKEY_ScopeTimebase), kTimebaseFields, &record);
}

int CVQRegistry::SetScopeTimebase(const VQScopeTimebase& record) const
{
    return WriteGroup(KeyPath(VQKEY_ScopeTimebase), kTimebaseFields, &record);
}

int CVQRegistry::GetScopeCapture(VQScopeCapture& record) const
{
    return ReadGroup(KeyPath(VQKEY_ScopeCapture), kCaptureFields, &record);
}

int CVQRegistry::SetScopeCapture(const VQScopeCapture& record) const
{
    return WriteGroup(KeyPath(VQKEY_ScopeCapture), kCaptureFields, &record);
}

int CVQRegistry::GetScopeColours(VQScopeColours& record) const
{
    return ReadGroup(KeyPath(VQKEY_ScopeSetup), kColourFields, &record);
}

int CVQRegistry::SetScopeColours(const VQScopeColours& record) const
{
    return WriteGroup(KeyPath(VQKEY_ScopeSetup), kColourFields, &record);
}

int CVQRegistry::GetScopeCursors(VQScopeCursors& record) const
{
    return ReadGroup(KeyPath(VQKEY_ScopeSetup), kCursorFields, &record);
}

int CVQRegistry::SetScopeCursors(const VQScopeCursors& record) const
{
    return WriteGroup(KeyPath(VQKEY_ScopeSetup), kCursorFields, &record);
}
