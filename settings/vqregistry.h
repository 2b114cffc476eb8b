// CVQRegistry: the settings store of the development environment: the
// program's, editor, terminal, axis-parameter and oscilloscope settings and
// the single comms values that others read.
//
// Every value lies under HKEY_CURRENT_USER\Software\VexoLabs\Vorta2 and a
// subkey. Each accessor opens its key, reads or writes one value and
// closes the key again: nothing is cached, so a value written anywhere is
// seen by the next read everywhere. Reads never fail (a missing key or
// value gives the default of its row, then the row's clamp); writes create
// the key path first and fail silently. Use the object on one thread; make
// it on the stack around a few calls.
//
// The single values are rows of one table (settings/vqregistry_values.h): key,
// name, kind, defaults, clamps and write condition. The typed Get/Set
// pairs the other subsystems call (GetAutoConnectAtStart,
// SetMessageTimeout, GetBetaMask(n), ...) are generated from it, and
// GetNumber/SetNumber/GetText/SetText reach any row by its name. Groups
// (fonts, histories, external tools, window placement, oscilloscope
// records, print margins, editor colours) have accessors of their own.
#pragma once

#include <windows.h>

#include <climits>

#include "foundation/registry.h"
#include "framework/collections.h"
#include "framework/cstring.h"

// The root key of the settings and the subkeys the table names.
#define VQ_ROOT_KEY "Software\\VexoLabs\\Vorta2"
#define VQKEY_Config "\\Config"
#define VQKEY_Projects "\\Projects"
#define VQKEY_External "\\External"
#define VQKEY_MainWindow "\\MainWindow"
#define VQKEY_Comms "\\Comms"
#define VQKEY_CommLinks "\\CommLinks\\"
#define VQKEY_Editor "\\Editor"
#define VQKEY_EditorColour "\\Editor\\Colour"
#define VQKEY_EditorFind "\\Editor\\Find"
#define VQKEY_EditorPrint "\\Editor\\Print"
#define VQKEY_EditorAssist "\\Editor\\Assist"
#define VQKEY_Terminal "\\Terminal"
#define VQKEY_AxisParameters "\\AxisParameters"
#define VQKEY_Oscilloscope "\\Oscilloscope\\"
#define VQKEY_ScopeTimebase "\\Oscilloscope\\Timebase"
#define VQKEY_ScopeCapture "\\Oscilloscope\\Capture"
#define VQKEY_ScopeSetup "\\Oscilloscope\\Setup"
#define VQKEY_ScopeShow "\\Oscilloscope\\Show"
#define VQKEY_Files "\\Files"

enum class VQKind : BYTE { Flag, Dword, Int, Word, Text };
enum class VQWriteIf : BYTE { Always, NonEmpty, Positive, NotNegative };
enum class VQFallback : BYTE { None, LocalMachine, DXDrive };

struct VQClamp {
    bool on;
    LONGLONG low;
    LONGLONG high;
};
#define VQ_NONE (VQClamp{false, 0, 0})
#define VQ_RANGE(low, high) (VQClamp{true, (low), (high)})
#define VQ_MIN(low) (VQClamp{true, (low), LLONG_MAX})

// One row of the settings table.
struct VQValueDef {
    const char* key;     // subkey below VQ_ROOT_KEY, beginning with "\"
    const char* name;    // value name, or its printf form for numbered rows
    const char* cppName; // the name of the Get/Set pair
    VQKind kind;
    bool numbered;
    LONGLONG keyMissing;   // result while the key is missing
    LONGLONG valueMissing; // result while the value is missing or of another type
    VQClamp readClamp;
    VQClamp writeClamp;
    VQWriteIf writeIf;
    VQFallback fallback;
};

// Ids of the rows, in table order.
enum VQValueId {
#define VQ_NUMBER(Name, Kind, Key, KeyMissing, ValueMissing, ReadClamp, WriteClamp, WriteIf) VQ_ID_##Name,
#define VQ_TEXT(Name, Key, Fallback, WriteIf) VQ_ID_##Name,
#define VQ_NUMBERED(Name, Kind, Key, Format, KeyMissing, ValueMissing, WriteIf) VQ_ID_##Name,
#define VQ_NUMBERED_TEXT(Name, Key, Format) VQ_ID_##Name,
#include "settings/vqregistry_values.h"
#undef VQ_NUMBER
#undef VQ_TEXT
#undef VQ_NUMBERED
#undef VQ_NUMBERED_TEXT
    VQ_VALUE_COUNT
};

// The C++ types of the kinds.
using VQTypeFlag = BOOL;
using VQTypeDword = DWORD;
using VQTypeInt = int;
using VQTypeWord = WORD;

// An external tool: a 41-character name field and a 260-character path.
struct VQExternalTool {
    char name[41];
    char file[260];
};

// Editor print margins ("\Editor\Print").
struct VQPrintMargins {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
    DWORD metric;
};

// Oscilloscope records; the oscilloscope owns their meaning.
struct VQScopeChannel {
    DWORD opMode;
    char parameter[16];
    DWORD item;
    double vScale;
    double vOffset;
    DWORD autoCentre;
    DWORD scaling;
};
struct VQScopeTimebase {
    double timebase;
    double hOffset;
    DWORD displayMode;
    DWORD triggerMode;
    DWORD triggerSource;
};
struct VQScopeTableBlock {
    LONG start;
    LONG end;
};
struct VQScopeCapture {
    DWORD samplesPerDiv;
    VQScopeTableBlock tableBlock[4];
    DWORD tablePointsPerDiv;
    DWORD autoScaleTable;
};
struct VQScopeColours {
    COLORREF channel[4];
    COLORREF background;
    COLORREF axis;
    COLORREF grid;
    COLORREF cursor[4];
    COLORREF endPoint;
};
struct VQScopeCursors {
    DWORD cursor[4];
    DWORD numericDisplay;
};

// The number of editor colours and of history slots.
const int VQ_EDITOR_COLOUR_COUNT = 14;
const int VQ_HISTORY_SLOTS = 16;

class CVQRegistry {
public:
    CVQRegistry() = default;
    virtual ~CVQRegistry() = default;

    // ---- The table ----
    static const VQValueDef& GetValueDef(VQValueId id);
    static const VQValueDef* GetValueTable(int& count);
    // The row whose value name (or numbered form, or C++ name) is name,
    // compared without regard to case; null when none.
    static const VQValueDef* FindValue(LPCSTR name);
    // The full key path of a row: VQ_ROOT_KEY + its subkey.
    static CString KeyPath(LPCSTR subkey);

    // ---- Any row, by id or by name ----
    // Numbers travel as 64-bit values: a Dword row gives 0..0xFFFFFFFF, an
    // Int row a signed 32-bit value.
    LONGLONG ReadNumber(VQValueId id, int number = 0) const;
    // FALSE when nothing was written (condition failed, key not created).
    BOOL WriteNumber(VQValueId id, LONGLONG value, int number = 0) const;
    CString ReadText(VQValueId id, int number = 0) const;
    BOOL WriteText(VQValueId id, LPCSTR value, int number = 0) const;
    // By name; an unknown name reads 0 or empty and writes nothing.
    LONGLONG GetNumber(LPCSTR name, int number = 0) const;
    BOOL SetNumber(LPCSTR name, LONGLONG value, int number = 0) const;
    CString GetText(LPCSTR name, int number = 0) const;
    BOOL SetText(LPCSTR name, LPCSTR value, int number = 0) const;

    // ---- Typed Get/Set pairs, one per row ----
#define VQ_NUMBER(Name, Kind, Key, KeyMissing, ValueMissing, ReadClamp, WriteClamp, WriteIf)                           \
    VQType##Kind Get##Name() const                                                                                     \
    {                                                                                                                  \
        return static_cast<VQType##Kind>(ReadNumber(VQ_ID_##Name));                                                    \
    }                                                                                                                  \
    void Set##Name(VQType##Kind value) const                                                                           \
    {                                                                                                                  \
        WriteNumber(VQ_ID_##Name, static_cast<LONGLONG>(value));                                                       \
    }
#define VQ_TEXT(Name, Key, Fallback, WriteIf)                                                                          \
    CString Get##Name() const                                                                                          \
    {                                                                                                                  \
        return ReadText(VQ_ID_##Name);                                                                                 \
    }                                                                                                                  \
    CString& Get##Name(CString& text) const                                                                            \
    {                                                                                                                  \
        return text = ReadText(VQ_ID_##Name);                                                                          \
    }                                                                                                                  \
    void Set##Name(LPCSTR text) const                                                                                  \
    {                                                                                                                  \
        WriteText(VQ_ID_##Name, text);                                                                                 \
    }
#define VQ_NUMBERED(Name, Kind, Key, Format, KeyMissing, ValueMissing, WriteIf)                                        \
    VQType##Kind Get##Name(int number) const                                                                           \
    {                                                                                                                  \
        return static_cast<VQType##Kind>(ReadNumber(VQ_ID_##Name, number));                                            \
    }                                                                                                                  \
    void Set##Name(int number, VQType##Kind value) const                                                               \
    {                                                                                                                  \
        WriteNumber(VQ_ID_##Name, static_cast<LONGLONG>(value), number);                                               \
    }
#define VQ_NUMBERED_TEXT(Name, Key, Format)                                                                            \
    CString Get##Name(int number) const                                                                                \
    {                                                                                                                  \
        return ReadText(VQ_ID_##Name, number);                                                                         \
    }                                                                                                                  \
    CString& Get##Name(int number, CString& text) const                                                                \
    {                                                                                                                  \
        return text = ReadText(VQ_ID_##Name, number);                                                                  \
    }                                                                                                                  \
    void Set##Name(int number, LPCSTR text) const                                                                      \
    {                                                                                                                  \
        WriteText(VQ_ID_##Name, text, number);                                                                         \
    }
#include "settings/vqregistry_values.h"
#undef VQ_NUMBER
#undef VQ_TEXT
#undef VQ_NUMBERED
#undef VQ_NUMBERED_TEXT

    // ---- Keys ----
    // Creates "\Projects"; whether that succeeded.
    BOOL CreateProjectsKey() const;
    BOOL MainWindowKeyExists() const;

    // ---- Recent projects ("\Projects", "Project%02d") ----
    CString GetLastProject() const
    {
        return GetRecentProject(0);
    }
    CString& GetLastProject(CString& text) const
    {
        return text = GetRecentProject(0);
    }

    // ---- External tools ("\External\Tool%02d": "Name", "File") ----
    int GetExternalToolCount() const;
    // 1 on success; 0 out of range, for a null record, when the key cannot
    // be opened, or when a stored text does not fit the record.
    int GetExternalTool(int index, VQExternalTool* tool) const;
    int SetExternalTool(int index, const VQExternalTool* tool) const;
    void AddExternalTool(const VQExternalTool* tool) const;
    // The "File" of the first tool whose name matches without regard to
    // case: 1; otherwise the text is emptied and 0.
    int GetExternalToolFile(LPCSTR name, CString& file) const;
    void DeleteExternalTool(LPCSTR name) const;

    // ---- Main window placement ("\MainWindow") ----
    // 1 when the key exists, 0 when not (the record then holds the
    // defaults: maximised, positions 0, normal rectangle 100,100,700,500).
    int GetMainWindowPlacement(WINDOWPLACEMENT& placement) const;
    void SetMainWindowPlacement(const WINDOWPLACEMENT& placement) const;

    // ---- Editor colours ("\Editor\Colour") ----
    static COLORREF GetDefaultEditorColour(int index);
    // The stored colour, or the default when the index has no value name,
    // the key or the value is missing, or the value is no DWORD.
    COLORREF GetEditorColour(int index) const;
    // Indices without a value name (12, 13, others) are not stored.
    void SetEditorColour(int index, COLORREF colour) const;
    // The value name of a colour index; null for 12, 13 and others.
    static LPCSTR GetEditorColourName(int index);

    // ---- Find and replace histories ("\Editor\Find", 16 slots) ----
    void GetFindHistory(CStringList& list) const;
    void SetFindHistory(const CStringList& list) const;
    void GetReplaceHistory(CStringList& list) const;
    void SetReplaceHistory(const CStringList& list) const;

    // ---- Print margins ("\Editor\Print") ----
    // When the key is missing the record stays as it was (FALSE); a
    // missing value reads 0.
    BOOL GetPrintMargins(VQPrintMargins& margins) const;
    // Negative margins are written as 0.
    void SetPrintMargins(const VQPrintMargins& margins) const;

    // ---- Fonts: a subkey of thirteen DWORDs and "FaceName" ----
    int GetFontSetting(LPCSTR subkey, LPCSTR name, LOGFONTA& font) const;
    int SetFontSetting(LPCSTR subkey, LPCSTR name, const LOGFONTA& font) const;
    int GetEditorFont(LOGFONTA& font) const
    {
        return GetFontSetting(VQKEY_Editor, "Font", font);
    }
    int SetEditorFont(const LOGFONTA& font) const
    {
        return SetFontSetting(VQKEY_Editor, "Font", font);
    }
    int GetEditorPrinterFont(LOGFONTA& font) const
    {
        return GetFontSetting(VQKEY_Editor, "PrinterFont", font);
    }
    int SetEditorPrinterFont(const LOGFONTA& font) const
    {
        return SetFontSetting(VQKEY_Editor, "PrinterFont", font);
    }
    int GetTerminalFont(LOGFONTA& font) const
    {
        return GetFontSetting(VQKEY_Terminal, "Font", font);
    }
    int SetTerminalFont(const LOGFONTA& font) const
    {
        return SetFontSetting(VQKEY_Terminal, "Font", font);
    }
    int GetScopeFont(LOGFONTA& font) const
    {
        return GetFontSetting(VQKEY_ScopeShow, "Font", font);
    }
    int SetScopeFont(const LOGFONTA& font) const
    {
        return SetFontSetting(VQKEY_ScopeShow, "Font", font);
    }

    // ---- Oscilloscope groups: 1 when every value was read or written ----
    // Reads stop at the first value that is missing or of another type
    // (fields read before keep their new values).
    int GetScopeChannel(int channel, VQScopeChannel& record) const;
    int SetScopeChannel(int channel, const VQScopeChannel& record) const;
    int GetScopeTimebase(VQScopeTimebase& record) const;
    int SetScopeTimebase(const VQScopeTimebase& record) const;
    int GetScopeCapture(VQScopeCapture& record) const;
    int SetScopeCapture(const VQScopeCapture& record) const;
    int GetScopeColours(VQScopeColours& record) const;
    int SetScopeColours(const VQScopeColours& record) const;
    int GetScopeCursors(VQScopeCursors& record) const;
    int SetScopeCursors(const VQScopeCursors& record) const;

private:
    void GetHistory(LPCSTR format, CStringList& list) const;
    void SetHistory(LPCSTR format, const CStringList& list) const;
    static CString ValueName(const VQValueDef& def, int number);
};

// The numbered name of a row ("BetaMask%02d" with 3 gives "BetaMask03").
CString FormatValueName(LPCSTR format, int number);
