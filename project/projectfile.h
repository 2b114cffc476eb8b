// CProjectFile: the project file, an INI text file named after the project
// with the extension "prj" in the project folder. It records the
// controller model, the program list (at most 32 programs) with their
// program types, per-program run settings and the settings tool windows
// keep with the project. Every other part of the program reaches the file
// through these accessors.
//
// CProjectContents: the small record of the open project that the project
// window keeps (model, name, programs), loaded from and saved to the file.
//
// Writes go through CIniFile, which rewrites the file through a temporary
// file and keeps every section it does not touch.
#pragma once

#include <vector>

#include "foundation/containers.h"
#include "foundation/inifile.h"
#include "link/channelset.h"
#include "link/programdata.h"

const int PROJECT_MAX_PROGRAMS = 32;

class CProjectFile : public CIniFile {
public:
    explicit CProjectFile(LPCSTR path = nullptr);
    ~CProjectFile() override = default;

    CString GetFilePath() const override { return CIniFile::GetFilePath(); }
    BOOL EraseFile() override { return CIniFile::EraseFile(); }

    virtual void Load(LPCSTR path);
    virtual BOOL Exists();
    BOOL DeleteSection(LPCSTR section) override { return CIniFile::DeleteSection(section); }
    BOOL DeleteKey(LPCSTR section, LPCSTR key) override { return CIniFile::DeleteKey(section, key); }
    virtual BOOL SectionExists(LPCSTR section) { return HasSection(section); }
    virtual BOOL KeyExists(LPCSTR section, LPCSTR key) { return HasKey(section, key); }
    // The folder of the file, ending with "\" (empty without one).
    CString GetDirectory() const;

    // Program list. Names are stored in upper case and compared without
    // regard to case.
    int GetProgramCount();
    BOOL GetProgram(int index, CString& name, int& type, BOOL whole = FALSE);
    BOOL SetProgram(int index, LPCSTR name, int type);
    int FindProgram(LPCSTR name);
    int AddProgram(LPCSTR name, int type);
    int RemoveProgram(LPCSTR name);
    BOOL RenameProgram(LPCSTR oldName, LPCSTR newName);
    BOOL ClearProgramList();
    // The listed programs; an entry whose name cannot become a file name
    // (IsProgramFileName) is reported (ReportRefusedProgram) and left out.
    BOOL ReadProgramList(CTList<CProgramData>& list);
    // Writes the list as the program list; the AutoRun and RunOnProcess
    // settings of programs still listed are kept, those of others go.
    BOOL WriteProgramList(const CTList<CProgramData>& list);

    // Controller.
    BOOL SetControllerType(int model);
    int GetControllerType();
    void SetRunFromEPROM(BOOL on);
    BOOL IsRunFromEPROM();
    int GetAxisBit(int bit, int axis);
    BOOL SetAxisBit(int bit, int axis, BOOL on);

    // Per-program keys.
    int GetProgramType(LPCSTR name);
    int GetAutoRun(LPCSTR name);
    void SetAutoRun(LPCSTR name, int value);
    int GetRunOnProcess(LPCSTR name);
    BOOL SetRunOnProcess(LPCSTR name, int process);
    void ClearRunOnProcess();
    int GetRunOnProcessList(CArray<int>& processes);
    unsigned GetProgramCRC(LPCSTR name);
    unsigned GetCodeCRC(LPCSTR name);

    // Ranges (From first) and store flags.
    BOOL SetVariablesRange(int from, int to);
    void GetVariablesRange(int range[2]);
    BOOL SetTableRange(int from, int to);
    void GetTableRange(int range[2]);
    BOOL SetVRRange(int from, int to);
    void GetVRRange(int range[2]);
    BOOL SetTableViewRange(int from, int to);
    void GetTableViewRange(int range[2]);
    BOOL SetStoreVariables(BOOL on);
    BOOL GetStoreVariables();
    BOOL SetStoreTable(BOOL on);
    BOOL GetStoreTable();
    BOOL SetStoreParameters(BOOL on);
    BOOL GetStoreParameters();
    BOOL SetOscilloscopeTableStart(int start);
    int GetOscilloscopeTableStart();

    // I/O.
    BOOL SetIODescription(char kind, int number, LPCSTR text);
    CString GetIODescription(char kind, int number);
    BOOL SetHideDigitalIOBank(LPCSTR kind, int bank, BOOL hide);
    BOOL GetHideDigitalIOBank(LPCSTR kind, int bank);

    // CAN.
    BOOL SetCANDriveType(int type);
    int GetCANDriveType(int defaultValue);
    BOOL SetCANBaudRate(int slot, long rate);
    long GetCANBaudRate(int slot, long defaultValue);
    BOOL SetCANDriveName(int slot, int address, LPCSTR name);
    BOOL SetCANMotorName(int slot, int address, LPCSTR name);
    CString GetCANDriveName(int slot, int address, LPCSTR defaultValue);
    CString GetCANMotorName(int slot, int address, LPCSTR defaultValue);
    BOOL SetInhibitCANDriveScan(int slot, BOOL inhibit);
    BOOL GetInhibitCANDriveScan(int slot);

    // SERCOS and drive parameters.
    BOOL SetSercosMaxScanAddress(int slot, int address);
    int GetSercosMaxScanAddress(int slot);
    BOOL SetSercosStandardParams(int axis, const std::vector<int>& params);
    void GetSercosStandardParams(int axis, std::vector<int>& params);
    BOOL SetSercosManufacturerParams(int axis, const std::vector<int>& params);
    void GetSercosManufacturerParams(int axis, std::vector<int>& params);
    BOOL SetSaveDriveParameters(LPCSTR suffix, LPCSTR text);
    CString GetSaveDriveParameters(LPCSTR suffix);

    // Desktops.
    BOOL WriteDesktop(const CTList<SWindowParameters>& list);
    BOOL ReadDesktop(CTList<SWindowParameters>& list);
    BOOL HasDesktop() { return SectionExists("Desktop"); }
    BOOL WriteAutoDesktop(const CTList<SWindowParameters>& list);
    BOOL ReadAutoDesktop(CTList<SWindowParameters>& list);
    BOOL HasAutoDesktop() { return SectionExists("AutoDesktop"); }

protected:
    // The project window's axis count when a model is set; 0 otherwise.
    virtual int GetAxisCount();

private:
    BOOL WriteRange(LPCSTR section, int from, int to, BOOL always);
    void ReadRange(LPCSTR section, int range[2]);
    BOOL WriteParamList(LPCSTR key, const std::vector<int>& params);
    void ReadParamList(LPCSTR key, std::vector<int>& params);
    BOOL WriteDesktopSection(LPCSTR section, const CTList<SWindowParameters>& list);
    BOOL ReadDesktopSection(LPCSTR section, CTList<SWindowParameters>& list);
};

// Tells the user (and the log) that the project file at projectPath names
// a program that cannot become a file name, and that the entry is skipped.
void ReportRefusedProgram(LPCSTR projectPath, LPCSTR name);

CString GetProjectFileExtension(BOOL withDot);
CString GetBackupFileExtension(BOOL withDot);

// The hexadecimal text of a desktop record and back (616 digits; a text of
// more digits is refused, a shorter one fills the record from its start).
CString FormatWindowParameters(const SWindowParameters& record);
BOOL ParseWindowParameters(const char* text, SWindowParameters& record);

class CProjectContents {
public:
    CProjectContents() = default;
    ~CProjectContents();

    void SetControllerType(int model) { m_nModel = model; }
    int GetControllerType() const { return m_nModel; }
    CProgramData* AddProgram(const CProgramData& program);
    void RemoveProgram(CProgramData* program);
    void RemoveAllPrograms();
    CProgramData* GetFirstProgram() const;
    CProgramData* GetNextProgram(const CProgramData* program) const;
    BOOL HasEncryptedProgram() const;
    BOOL LoadFromFile(LPCSTR path);
    BOOL SaveToFile(LPCSTR path);

    int m_nModel = 0;
    CString m_strName;
    CTList<CProgramData> m_programs;
};
