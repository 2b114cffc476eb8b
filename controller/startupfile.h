// The STARTUP program as numbered sections.
//
// The controller runs the program "STARTUP" at power-up; in a project it is
// the file "StartUp.bas" in the project folder. Several tools write
// generated set-up code into it, each into a section of its own between a
// start and a stop marker line (BASIC comments, which the controller
// ignores); lines outside every section are the user's own (section 0). A
// tool replaces its own section whole and leaves the user's lines and the
// other tools' sections as they are:
//
//     CStartupFile file(projectFolder + "\\StartUp.bas");
//     file.Read();                       // when the file exists
//     file.ClearSection(STARTUP_SECTION_CAN);
//     file.AppendLines(lines, STARTUP_SECTION_CAN);
//     if (!file.Write()) ...             // report it; the old file is kept
//
// The section list and its text forms are plain C++ (startupsections.cpp,
// also built natively); the file, the project window's question and the
// write through a temporary file are Win32 (startupfile.cpp). This header
// includes no Win32 header.
#pragma once

#include <string>

#include "foundation/containers.h"
#include "framework/collections.h"
#include "framework/cstring.h"

// Section ids.
enum : int {
    STARTUP_SECTION_USER = 0, // the user's own lines, no markers
    STARTUP_SECTION_STANDARD = 1,
    STARTUP_SECTION_CAN = 2,
    STARTUP_SECTION_DLINK = 3,
    STARTUP_SECTION_SERCOS = 4,
    STARTUP_SECTION_MECHATROLINK = 5,
    STARTUP_SECTION_A4N = 6,
    STARTUP_SECTION_LAST = STARTUP_SECTION_A4N,
};

// The marker lines as they are written. Readers also take the forms with a
// blank after the apostrophe for the Standard, CAN and DLink sections.
extern const char STARTUP_START_STANDARD[];     // "'Start Standard Section"
extern const char STARTUP_STOP_STANDARD[];      // "'Stop Standard Section"
extern const char STARTUP_START_CAN[];          // "'Start CAN Section"
extern const char STARTUP_STOP_CAN[];           // "'Stop CAN Section"
extern const char STARTUP_START_DLINK[];        // "'Start DLink Section"
extern const char STARTUP_STOP_DLINK[];         // "'Stop DLink Section"
extern const char STARTUP_START_SERCOS[];       // "'Start Sercos Section"
extern const char STARTUP_STOP_SERCOS[];        // "'Stop Sercos Section"
extern const char STARTUP_START_MECHATROLINK[]; // "'Start Mechatrolink Section"
extern const char STARTUP_STOP_MECHATROLINK[];  // "'Stop Mechatrolink Section"
extern const char STARTUP_START_A4N[];          // "'Start Panasonic A4N Section"
extern const char STARTUP_STOP_A4N[];           // "'Stop Panasonic A4N Section"
extern const char STARTUP_ALT_START_STANDARD[]; // "' Start Standard Section"
extern const char STARTUP_ALT_STOP_STANDARD[];  // "' Stop Standard Section"
extern const char STARTUP_ALT_START_CAN[];      // "' Start CAN Section"
extern const char STARTUP_ALT_STOP_CAN[];       // "' Stop CAN Section"
extern const char STARTUP_ALT_START_DLINK[];    // "' Start DLink Section"
extern const char STARTUP_ALT_STOP_DLINK[];     // "' Stop DLink Section"

// The written start and stop marker of a section; null for section 0 and
// for an id out of range.
LPCSTR GetStartupStartMarker(int id);
LPCSTR GetStartupStopMarker(int id);

// Whether a line is a marker: white space at both ends is ignored and case
// does not matter, either form. Sets id and start (TRUE for a start marker,
// FALSE for a stop marker) when it is one.
BOOL IsStartupMarker(LPCSTR line, int& id, BOOL& start);
// The same for a line that may hold NUL bytes.
BOOL IsStartupMarker(const CString& line, int& id, BOOL& start);

// One section: its id and its lines, each as read (no line end, not
// trimmed); marker lines are never stored here. Copying copies the lines
// only: whoever adds a record sets its id.
class CStartupSectionRecord {
public:
    CStartupSectionRecord() = default;
    CStartupSectionRecord(const CStartupSectionRecord& other);
    CStartupSectionRecord& operator=(const CStartupSectionRecord& other);
    virtual ~CStartupSectionRecord() = default;

    int GetId() const { return m_nSection; }
    void SetId(int id) { m_nSection = id; }
    CStringList& GetLines() { return m_lines; }
    const CStringList& GetLines() const { return m_lines; }
    // Appends a copy of line, NUL bytes included; the new line's place.
    POSITION AddLine(const CString& line);

    int m_nSection = STARTUP_SECTION_USER;
    CStringList m_lines;
};

class CStartupFile {
public:
    explicit CStartupFile(LPCSTR path);
    virtual ~CStartupFile();
    CStartupFile(const CStartupFile&) = delete;
    CStartupFile& operator=(const CStartupFile&) = delete;

    // Removes and deletes every record.
    virtual void RemoveAllSections();

    CString GetPath() const { return m_strPath; }
    // A new path forgets what was read from the old one.
    void SetPath(LPCSTR path);

    // With askProject FALSE: whether the file exists. With askProject TRUE
    // the project window is asked first (0x8175) whether the controller's
    // program list holds a program of the file's name without folder and
    // extension; FALSE without a project window or when it holds none.
    BOOL IsAvailable(BOOL askProject) const;

    // Loads the file into sections whenever it exists. FALSE when it is
    // missing or cannot be opened (denying other writers) or read; the
    // list is empty then. A file that exists but could not be read is
    // never replaced by Write.
    BOOL Read();
    // Writes every section to the path through a temporary file in the same
    // folder, which then replaces the file in one step. FALSE, with the old
    // file as it was, when the folder is missing, the file is read-only or
    // held open by another program, the temporary file cannot be written,
    // the file changed on disk since Read (another writer's sections would
    // be lost), or Read found it but could not read it. Sets the thread's
    // last error.
    BOOL Write();

    // The text forms that Read and Write use. LoadText replaces every
    // section by those of the text (lines end at LF, CR LF or a CR at the
    // very end; a last line without an end counts). FormatText gives the
    // bytes Write puts on disk: lines end with CR LF, markers in their
    // written form, empty sections left out, adjacent records of one id as
    // one section. Both are FALSE when the section list's lock could not
    // be had (or memory ran out): the sections or the text are then
    // incomplete and must not be used.
    BOOL LoadText(const std::string& text);
    BOOL FormatText(std::string& text) const;

    // Each look-up walks the section list once under its lock; when the
    // lock cannot be had the operation changes nothing and says so.
    //
    // The first record of an id in list order; null when there is none or
    // the list's lock could not be had.
    CStartupSectionRecord* FindSection(int id) const;
    BOOL HasSection(int id) const;
    // Empties the first record of an id; the record keeps its place. FALSE
    // when the list's lock could not be had.
    BOOL ClearSection(int id);
    // Appends a line to the first record of an id. Without one a new record
    // is made, placed before the first record with lines whose id is lower
    // (at the end when there is none); nothing else moves. The new line's
    // place; null for an id out of range or when the list's lock could not
    // be had (nothing is stored then).
    POSITION AppendLine(LPCSTR line, int id);
    POSITION AppendLine(const CString& line, int id);
    // FALSE, with nothing stored, for an id out of range or when the list's
    // lock could not be had.
    BOOL AppendLines(const CStringList& lines, int id);

    CTList<CStartupSectionRecord>& GetSections() { return m_sections; }
    const CTList<CStartupSectionRecord>& GetSections() const { return m_sections; }

protected:
    // The record of an id, made at its place when there is none; null for
    // an id out of range or when the list's lock could not be had.
    CStartupSectionRecord* SectionForAppend(int id);
    // One walk of the list under its lock: the first record of id and the
    // first record with lines of a lower id. FALSE when the lock could not
    // be had (both null then).
    BOOL ScanSections(int id, CStartupSectionRecord*& found, CStartupSectionRecord*& before) const;

    CTList<CStartupSectionRecord> m_sections;
    CString m_strPath;

    // What the file held when it was read, so Write replaces only that.
    enum class DiskState { NotRead, Missing, Read, Unreadable };
    DiskState m_diskState = DiskState::NotRead;
    std::string m_diskBytes;
};
