// CKWMPELink: the link to the external IEC 61131-3 programming system. It
// finds the system's installation, starts it, attaches to its automation
// object and drives its projects: open, create, compile, compress, expand,
// download, CRC queries, the controller's address in the resource
// settings. Every member with an int result gives non-zero for success and
// 0 for failure with a text in the last error.
//
// The class is exported by VexoKWMuPrExLink.dll; the library's messages are
// string resources 3001 to 3113 that join the loading program's resource
// chain.
#pragma once

#include <windows.h>

#include "framework/collections.h"
#include "framework/cstring.h"
#include "foundation/ip4address.h"
#include "ieclink/dispatch.h"

#ifdef VEXO_KWMPELINK_BUILD
#define KWMPELINK_API __declspec(dllexport)
#else
#define KWMPELINK_API __declspec(dllimport)
#endif

class CWnd;

class KWMPELINK_API CKWMPELink {
public:
    enum ECRCType {
        eProjectCRC = 0,
        ePLCProjectCRC = 1,
        ePLCBootProjectCRC = 2,
        ePLCZippedProjectCRC = 3,
    };

    CKWMPELink();
    CKWMPELink(const CKWMPELink& other);
    CKWMPELink& operator=(const CKWMPELink& other);
    virtual ~CKWMPELink();

    // The last error.
    CString GetLastError() const;
    void ClearError();
    // Shows the last error (exclamation icon); with no error, "No error"
    // (information icon) when bShowNoError, else nothing.
    void ShowLastError(int bShowNoError);

    // Locating, starting and attaching.
    int LocateAppExecutable();
    CString GetAppPath() const;
    static int GetKWMPEDir(CString& dir);
    static int SetKWMPEDir(const CString& dir);
    int LaunchApp();
    int IsAppRunning();
    int CreateAppInstance();
    int Connect();
    int IsAppConnected();
    void ShowApp();
    void HideApp();
    void CloseApp();
    int IsUserAppCloseEnabled();
    void EnableUserAppClose();
    void DisableUserAppClose();
    int GetCommandID(CString name, long& id);

    // Projects, POUs and CRCs.
    int IsProjectOpen();
    int OpenProject(const CString& path);
    int CreateProject(const CString& path);
    int CreateProject(CWnd* parent);
    CString BrowseForProject(CWnd* parent);
    int CloseProject();
    int CompileProject();
    int SaveCompressed();
    int OpenCompressed(const CString& path);
    CString GetCurrentProjectDirPath() const;
    CString GetCurrentProjectFilePath() const;
    int SendToController();
    int GetProjectCRC(unsigned long& crc);
    int GetControllerProjectCRC(unsigned long& crc);
    int DoesPOUExist(const CString& name);
    int AddPOU(const CString& name);
    int GetPOUs(CStringList& list);
    int CreateProgramInstance(const CString& a, const CString& b);

    // Resource settings and the controller's address.
    int SetIPAddress(const CIP4Address& address);
    int GetIPAddress(CIP4Address& address);
    int ShowControlDialog(int flag);

    static const int m_knAppStartTimeout_s;
    static const int m_knAppStartWaitTime_ms;
    static const int m_knAppPostStartWaitTime_ms;
    static const int m_knFirstConfigurationIndex;
    static const int m_knFirstLibraryIndex;
    static const int m_knFirstPOUIndex;
    static const int m_knFirstProgramInstanceIndex;
    static const int m_knFirstResourceIndex;
    static const int m_knFirstTaskIndex;
    static const int m_knFirstVariableGroupIndex;
    static const int m_knFirstVariableIndex;
    static const CString m_kstrAppWindowTitleStart;
    static const CString m_kstrSCS_GetProjectCRC;
    static const CString m_kstrSCS_GetPLCProjectCRC;
    static const CString m_kstrSCS_GetPLCBootProjectCRC;
    static const CString m_kstrSCS_GetPLCZippedProjectCRC;
    static const CString m_kstrSCS_GetPLCProjectName;
    static const CString m_kstrSCS_GetPLCConfigName;
    static const CString m_kstrSCS_GetPLCResourceName;
    static const CString m_kstrDefaultKWMPEDir;
    static const CString m_kstrEmptyProjectTemplateRel;
    static const CString m_kstrHardwareLibDirRel;
    static const CString m_kstrVexoIEClib;
    static const CString m_kstrDefaultPLCType;
    static const CString m_kstrDefaultProcessorType;
    static const CString m_kstrDefaultConfigName;
    static const CString m_kstrDefaultResourceName;
    static const CString m_kstrDefaultTaskName;
    static const CString m_kstrDefaultTaskType;
    static const CString m_kstrHardwareLibExtension;
    static const CString m_kstrProjectFileExtension;
    static const CString m_kstrCompressedFileExtension;
    static const CString m_kstrDemoIODriver;
    static const CString m_kstrVexoIODriver;

protected:
    // The text of a result code of the external system or of the platform.
    static CString GetResultText(HRESULT code);
    // The hexadecimal CRC text of a query ("0x" prefix optional); 0 when
    // nothing is readable or the number needs more than 32 bits.
    static unsigned long DecodeCRCString(const CString& text);

    HWND LocateAppMainWindow();
    static BOOL CALLBACK EnumWindowsProc(HWND hwnd, LPARAM lParam);

    int GetCRC(ECRCType kind, unsigned long& crc);
    CDispatchPtr GetDefaultResource();
    CDispatchPtr GetDefaultTask();
    int SetHardwareConfig();
    int IsVexoIECLibIncluded();
    int AddVexoIEClibToProject();
    int RemoveIOGroupsFromResource(const CDispatchPtr& resource);
    int ChangeIOGroupDrivers(const CDispatchPtr& resource, const CString& from, const CString& to);
    int DoesPOUExist(const CString& name, const CDispatchPtr& pous);
    int CreateProgramInstance(const CDispatchPtr& task, const CString& a, const CString& b);
    CString LocateResourceSettingsFile(const CDispatchPtr& resource);

private:
    // Sets the last error to a string resource, formatted with the
    // arguments when it has any; returns 0 for the caller's result.
    int Fail(UINT id, ...);
    int FailText(const CString& text);
    int FailCode(HRESULT code) { return FailText(GetResultText(code)); }
    // The current project object, or empty.
    CDispatchPtr CurrentProject() const;
    // An object of the current project (its POUs, libraries): empty with
    // 3002 when there is no project, with missingId when it has none.
    CDispatchPtr ProjectMember(const char* member, UINT missingId);
    // The hardware's configuration collection: empty with 3002, 3003 or
    // 3022 when missing.
    CDispatchPtr Configurations();
    // The default resource of the open project for the settings file:
    // empty with 3001, 3005, 3002 or 3004 when there is none.
    CDispatchPtr SettingsResource();
    // The library path of the controller maker's hardware library.
    static CString VexoLibraryPath();
    static CString KWMPEDirOrDefault();
    // Joins this thread to COM for as long as the object lives (once).
    void InitialiseCom();

    CString m_strAppPath;
    int m_bUserCloseDisabled = 0;
    CDispatchPtr m_app;
    CString m_strLastError;
    BOOL m_bComInitialised = FALSE;
};

// The resource settings file of a project's resource.
class KWMPELINK_API ResourceSettings {
public:
    explicit ResourceSettings(const CString& path);

    // Reads the "COMPORT" line: the communication library and its "-IP",
    // "-P" and "-TO" options. 0 (with a message box when the file cannot be
    // opened) when the file holds no such line that reads.
    int Read();
    // Writes the three lines of the file at path; 0 (with a message box)
    // when it cannot be opened.
    int Write(const CString& path);

    // Reads the settings from text; the same rules as Read.
    int Parse(const CString& text);
    CString Format() const;

    CString m_strFilePath;
    CString m_strCommLibrary;
    CIP4Address m_address;
    DWORD m_nPort;
    DWORD m_nTimeout;
};
