// CKWProject: the development environment's side of the IEC project. It
// owns one CKWMPELink of the IEC link library and wraps it into the
// operations the project window calls: connect, open, create, close,
// compile, save compressed, export to and import from the project folder,
// the controller's address, the project CRCs and showing or hiding the
// external IEC system. In the project folder the IEC project travels as
// one ASCII-coded file (extension "zwa") of the system's compressed
// project (extension "zwe").
//
// Every operation but the destructor, ShowApp and ShowLastError empties
// the last error first; results are 1 for success and 0 for failure with a
// text in the last error. Called on the project window's thread only.
#pragma once

#include "framework/cstring.h"
#include "foundation/ip4address.h"

class CKWMPELink;

class CKWProject {
public:
    CKWProject();
    CKWProject(const CKWProject&) = delete;
    CKWProject& operator=(const CKWProject&) = delete;
    // Closes the project, gives the user the right to close the system back
    // and ends the system.
    virtual ~CKWProject();

    int Connect();
    int IsProjectOpen();
    int OpenProject(const CString& mwePath);
    int CreateProject(const CString& mwePath);
    int CloseProject();
    int Compile();
    int SaveCompressed();
    int ExportProject();
    int ImportProject(const CString& zwaPath, int bSilent);
    int OpenCompressedProject(const CString& zwePath);
    int IsChangedSinceExport();
    int SetIPAddress(const CIP4Address& address);
    int GetProjectCRC(unsigned long& crc);
    int GetControllerProjectCRC(unsigned long& crc);
    void ShowApp(int bShow);
    void ShowLastError(int bShowNoError);

    CString GetProjectName() const;
    CString GetCompressedFilePath() const;
    CString GetCodedFilePath() const;
    CString GetLastError() const { return m_strLastError; }
    // The project file of the project opened or created through this
    // object; empty when none.
    CString GetCurrentProjectFilePath() const { return m_strCurrentProjectFilePath; }

private:
    int Fail(const CString& text);
    int FailFromLink();
    // Closes the project open in the system before another is opened or
    // created: 1 when none is open afterwards, else 0 with the reason.
    int CloseOpenProject();
    int ReadCRC(int (CKWMPELink::*query)(unsigned long&), unsigned long& crc);
    CString PathWithoutExtension() const;

    CKWMPELink* m_pLink = nullptr;
    CString m_strCurrentProjectFilePath;
    CString m_strLastError;
};
