// The program file import (a program file put into the project folder and
// loaded into the controller), the IEC project import, the tools' file
// requests (load a file into the project, save a program to a file) and the
// reload of a program from its file.
//
// The file is put in place before the controller's copy is touched: a file
// that cannot be copied leaves the controller, the program list and the
// project as they were.
#include "project/projectwnd.h"

#include <objbase.h>

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "framework/prompt.h"
#include "project/kwproject.h"
#include "project/loadsavefile.h"
#include "project/programfilecopy.h"
#include "project/programtypes.h"
#include "project/toolthread.h"
#include "settings/vqregistry.h"

namespace {

const int kNewCommand = 13; // NEW "name"
const UINT kOperationRetryMs = 5;

const char kLoadCaption[] = "Load program";                 // 969
const char kFromFileCaption[] = "Load program from file";   // 560
const char kConvertCaption[] = "Convert project";           // 557
const char kNewProgramCaption[] = "New Program";            // 1319
const char kOverwrite[] = "Program %s exists in project,\r\nDo you wish to overwrite it?"; // 427
const char kNotSupported[] = "Program type \"%s\" not supported on this controller, or by this version of system software"; // 255
const char kFolderError[] = "Directory error:\nunable to create directory\n%s"; // 869
const char kCopyError[] = "Error copying file from %s to %s";                   // 558
const char kInvalidName[] =
    "Invalid program name.\r\n\r\nMust be a maximum of 15 alphanumeric or underscore characters only";
const char kOneIECProject[] = "Only one IEC project is allowed"; // 1316

CString Formatted(const char* format, const char* first, const char* second = "")
{
    CString text;
    text.Format(format, first, second);
    return text;
}

// The text between the last backslash and the last dot after it.
CString FileTitle(const CString& path)
{
    const int slash = path.ReverseFind('\\');
    CString title = path.Mid(slash + 1);
    const int dot = title.ReverseFind('.');
    return dot >= 0 ? title.Left(dot) : title;
}

CString FileExtension(const CString& path)
{
    const int slash = path.ReverseFind('\\');
    const int dot = path.ReverseFind('.');
    return dot > slash ? path.Mid(dot + 1) : CString();
}

bool CreateEmptyFile(LPCSTR path)
{
    const HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}

void ClearReadOnly(LPCSTR path)
{
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// The texts of 0x811A and 0x811B: sent, they are the sender's and live as
// long as the call; posted, they are heap copies that become the
// receiver's (the program check's Load and Save buttons post them).
struct CRequestTexts {
    CRequestTexts(WPARAM first, LPARAM second, bool owned)
    {
        const auto* name = reinterpret_cast<const char*>(first);
        const auto* path = reinterpret_cast<const char*>(second);
        program = name ? name : "";
        file = path ? path : "";
        if (owned) {
            delete[] reinterpret_cast<char*>(first);
            delete[] reinterpret_cast<char*>(second);
        }
    }
    CString program;
    CString file;
};

// The program file window (load or save) on a thread of its own, offering
// the controller's programs.
BOOL OpenProgramFileDialog(int mode, const CString& initial, const std::vector<CProgramData>& list)
{
    std::vector<std::string> names;
    for (const CProgramData& program : list)
        names.push_back(program.m_strName.str());
    return CreateWindowOnThread([mode, initial, names]() -> CWnd* {
               // The folder tree of the window is a shell control.
               ::CoInitialize(nullptr);
               CStringList programs;
               for (const std::string& name : names)
                   programs.AddTail(name.c_str());
               auto* dialog = new CLoadSaveFile(mode, programs, initial);
               return dialog->Create() ? dialog : nullptr;
           }) != nullptr
               ? TRUE
               : FALSE;
}

} // namespace

// ---------------------------------------------------------------- the import

BOOL CProjectWnd::ImportProgramFile(LPCSTR name, LPCSTR source, int fileType, BOOL newFile)
{
    CBusy busy(*this);
    const CString program = name ? name : "";
    const CString sourcePath = source ? source : "";
    const int type = GetProgramTypeOfFileType(fileType);
    const ProgramTypeRow* row = FindProgramType(type);
    if (!row || !m_pConnection->IsProgramTypeSupported(type)) {
        AfxGetPromptService().PromptDetached(Formatted(kNotSupported, row ? row->name : "Unknown"), kLoadCaption);
        return FALSE;
    }
    if (program.IsEmpty() || (sourcePath.IsEmpty() && !newFile))
        return FALSE;
    // A name the controller cannot hold would be cut or refused half way.
    if (!IsProgramFileName(program)) {
        AfxGetPromptService().PromptDetached(kInvalidName, kLoadCaption);
        return FALSE;
    }
    if (!IsProjectOpen()) {
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "Import of %s: no project is open", program.GetString());
        return FALSE;
    }

    const bool existing = m_pConnection->HasProgram(program) != FALSE;
    bool haltNeeded;
    if (existing) {
        if (AfxGetPromptService().Prompt(m_hWnd, Formatted(kOverwrite, program), kLoadCaption,
                                         MB_YESNO | MB_DEFBUTTON1) != IDYES)
            return FALSE;
        haltNeeded = !CanOperateOnProgram(program);
    } else {
        haltNeeded = !CanRunProgramOperations();
    }
    if (haltNeeded && !HaltProgramsIfRunning(nullptr))
        return FALSE;

    // The project folder, made when missing (one level).
    CString folder = m_projectFile.GetDirectory();
    if (folder.GetLength() > 3 && folder[folder.GetLength() - 1] == '\\')
        folder = folder.Left(folder.GetLength() - 1);
    if (PathExists(folder) && !DirectoryExists(folder)) {
        AfxGetPromptService().PromptDetached(Formatted(kFolderError, folder), kFromFileCaption);
        return FALSE;
    }
    if (!DirectoryExists(folder) && !::CreateDirectoryA(folder, nullptr)) {
        AfxGetPromptService().PromptDetached(Formatted(kFolderError, folder), kFromFileCaption);
        return FALSE;
    }

    // The file in place: copied in its file type's form, or made empty.
    const CString destination = m_projectFile.GetDirectory() + program + "." + GetProgramTypeExtension(type);
    if (destination.CompareNoCase(sourcePath) != 0) {
        if (newFile) {
            // A file of that name already in the project (its program not
            // on the controller) is emptied only when the user agrees.
            if (!existing && PathExists(destination) &&
                AfxGetPromptService().Prompt(m_hWnd, Formatted(kOverwrite, program), kLoadCaption,
                                             MB_YESNO | MB_DEFBUTTON1) != IDYES)
                return FALSE;
            if (!CreateEmptyFile(destination)) {
                AfxGetPromptService().PromptDetached(Formatted(kCopyError, "", destination), kConvertCaption);
                return FALSE;
            }
        } else if (!TransferFileOfType(sourcePath, fileType, destination) || !PathExists(destination)) {
            AfxGetPromptService().PromptDetached(Formatted(kCopyError, sourcePath, destination), kConvertCaption);
            return FALSE;
        }
    }
    if (!PathExists(destination)) {
        AfxGetPromptService().PromptDetached(Formatted(kCopyError, sourcePath, destination), kConvertCaption);
        return FALSE;
    }
    ClearReadOnly(destination);

    // Only now the controller's copy: the old program goes, the record
    // takes the new one.
    if (existing) {
        CloseEditor(program);
        if (!RunControllerCommand(kNewCommand, 0, program))
            return FALSE;
    }
    CProgramData record;
    record.m_strName = program;
    record.m_nType = type;
    record.m_nNew = 1;
    record.m_nState = 0;
    if (CProgramData* known = m_pConnection->FindProgram(program))
        *known = record;
    else
        m_pConnection->AddProgram(record);

    BOOL loaded;
    if (type == PROGRAM_TYPE_IEC_PROJECT) {
        // The IEC system compiles the project and loads it itself.
        loaded = CompileIECProject(program);
    } else {
        loaded = LoadProgramToController(program, TRUE);
    }

    m_projectFile.AddProgram(program, type);
    RefreshProgramList(TRUE);
    RefreshControlPanel();
    if (!loaded) {
        if (!IsProjectCheckRunning())
            PostMessage(PWM_CHECK_PROJECT, 0, 0);
    } else if (!m_pConnection->GetModel().m_nPowerUpCapable && CVQRegistry().GetAutoEPROM()) {
        StoreProgramsInEprom(FALSE);
    }
    return loaded;
}

BOOL CProjectWnd::ImportIECProject(LPCSTR source)
{
    CBusy busy(*this);
    const CString sourcePath = source ? source : "";
    if (!m_pConnection->IsProgramTypeSupported(PROGRAM_TYPE_IEC_PROJECT)) {
        AfxGetPromptService().PromptDetached(Formatted(kNotSupported, GetProgramTypeName(PROGRAM_TYPE_IEC_PROJECT)),
                                             kLoadCaption);
        return FALSE;
    }
    const CString name = FileTitle(sourcePath);
    if (!IsProgramFileName(name)) {
        AfxGetPromptService().PromptDetached(kInvalidName, kLoadCaption);
        return FALSE;
    }
    // The controller runs one IEC project; its own program may be replaced.
    for (const CProgramData& program : m_pConnection->GetPrograms()) {
        if (program.m_nType == PROGRAM_TYPE_IEC_PROJECT && program.m_strName.CompareNoCase(name) != 0) {
            AfxGetPromptService().PromptDetached(kOneIECProject, kLoadCaption);
            return FALSE;
        }
    }
    if (!IsProjectOpen())
        return FALSE;
    const bool existing = m_pConnection->HasProgram(name) != FALSE;
    if (existing) {
        if (AfxGetPromptService().Prompt(m_hWnd, Formatted(kOverwrite, name), kLoadCaption,
                                         MB_YESNO | MB_DEFBUTTON1) != IDYES)
            return FALSE;
        if (!CanOperateOnProgram(name) && !HaltProgramsIfRunning(nullptr))
            return FALSE;
    }
    // The file and its folder first; the controller's program goes after.
    const CString destination = m_projectFile.GetDirectory() + name + "." + FileExtension(sourcePath);
    if (destination.CompareNoCase(sourcePath) != 0) {
        CString folder = m_projectFile.GetDirectory();
        folder = folder.Left(folder.GetLength() - 1);
        if (!CopyProgramWithFolder(sourcePath, folder, TRUE)) {
            AfxGetPromptService().PromptDetached(Formatted(kCopyError, sourcePath, destination), kConvertCaption);
            return FALSE;
        }
    }
    if (existing) {
        if (m_pIECProject)
            m_pIECProject->CloseProject();
        if (!RunControllerCommand(kNewCommand, 0, name))
            return FALSE;
        m_pConnection->RemoveProgram(name);
    }
    return ImportProgramFile(name, destination, FindProgramType(PROGRAM_TYPE_IEC_PROJECT)->fileTypes[0], FALSE);
}

BOOL CProjectWnd::CreateIECProgram(LPCSTR name)
{
    if (CVQRegistry().GetEnableIEC61131() <= 0 || !IsProjectOpen() || !IsProgramFileName(name))
        return FALSE;
    if (!m_pIECProject)
        m_pIECProject = new CKWProject();
    if (m_pIECProject->IsProjectOpen())
        m_pIECProject->CloseProject();
    const CString path =
        m_projectFile.GetDirectory() + name + "." + GetProgramTypeExtension(PROGRAM_TYPE_IEC_PROJECT);
    if (PathExists(path)) {
        if (!HaltProgramsIfRunning(nullptr))
            return FALSE;
        ClearReadOnly(path);
        ::DeleteFileA(path);
    }
    if (!m_pIECProject->CreateProject(path)) {
        AddErrorText(m_pIECProject->GetLastError());
        return FALSE;
    }
    // The IEC system reaches the controller at the link's address.
    if (const CCommPortData* link = m_pConnection->GetLinkData()) {
        if (link->m_nType == LINK_TYPE_ETHERNET) {
            CIP4Address address;
            if (address.SetAddressText(link->m_data.ethernet.m_szAddress))
                m_pIECProject->SetIPAddress(address);
        }
    }
    if (!m_pIECProject->SaveCompressed()) {
        AddErrorText(m_pIECProject->GetLastError());
        return FALSE;
    }
    return ImportProgramFile(name, path, FindProgramType(PROGRAM_TYPE_IEC_PROJECT)->fileTypes[0], FALSE);
}

BOOL CProjectWnd::ReloadProgramFromFile(LPCSTR name)
{
    if (!name || !*name || !m_pConnection->HasProgram(name))
        return FALSE;
    if (m_pConnection->GetProgramType(name) != PROGRAM_TYPE_IEC_PROJECT)
        return LoadProgramToController(name, TRUE);
    CBusy busy(*this);
    if (!m_pConnection->IsProgramTypeSupported(PROGRAM_TYPE_IEC_PROJECT) ||
        m_pConnection->CountPrograms(PROGRAM_TYPE_IEC_PROJECT) != 1)
        return FALSE;
    if (!CanRunProgramOperations() && !HaltProgramsIfRunning(nullptr))
        return FALSE;
    if (!m_pIECProject)
        m_pIECProject = new CKWProject();
    // Opening the project closes one of another name.
    const BOOL loaded = CompileIECProject(name);
    RefreshProgramList(TRUE);
    RefreshControlPanel();
    if (loaded && !m_pConnection->GetModel().m_nPowerUpCapable && CVQRegistry().GetAutoEPROM())
        StoreProgramsInEprom(FALSE);
    return loaded;
}

// ---------------------------------------------------------------- file requests

LPARAM CProjectWnd::QueueFileOperation(const CFileOperationData& operation)
{
    const LPARAM id = m_nNextFileOperation++;
    m_fileOperations.emplace_back(id, operation);
    return id;
}

BOOL CProjectWnd::RunFileOperation(const CFileOperationData& operation)
{
    const bool complete = !operation.program.IsEmpty() && !operation.path.IsEmpty();
    if (operation.kind == 1) {
        // Without a name or a file the user chooses them.
        if (!complete)
            return OpenProgramFileDialog(CLoadSaveFile::MODE_LOAD, "", m_pConnection->GetPrograms());
        const int fileType = FindFileTypeOfExtension(FileExtension(operation.path));
        switch (fileType) {
        case 0:
        case 2:
        case 3:
        case 4:
        case 5:
            return ImportProgramFile(operation.program, operation.path, fileType, FALSE);
        case 6:
            return ImportIECProject(operation.path);
        default:
            // Encrypted files and files of no program type are not loaded.
            GlobalLogFormat(LOG_PROJECT_MESSAGES, "File %s is not loaded", operation.path.GetString());
            return FALSE;
        }
    }
    if (operation.kind == 3) {
        if (!complete)
            return OpenProgramFileDialog(CLoadSaveFile::MODE_SAVE, operation.program, m_pConnection->GetPrograms());
        const int type = m_pConnection->GetProgramType(operation.program);
        if (type == PROGRAM_TYPE_NONE || !ControllerCanSaveProgramType(type, m_pConnection.get()))
            return FALSE;
        return ExportProgramFile(operation.program, operation.path, TRUE) ? TRUE : FALSE;
    }
    return FALSE;
}

bool CProjectWnd::HandleImportMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message) {
    case PWM_LOAD_FILE:
    case PWM_SAVE_FILE: {
        const bool sent = ::InSendMessage() != FALSE;
        const CRequestTexts texts(wParam, lParam, !sent);
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "File operation %d: %s %s", message == PWM_LOAD_FILE ? 1 : 3,
                        texts.program.GetString(), texts.file.GetString());
        if (m_bClosing)
            return true;
        CFileOperationData operation;
        operation.kind = message == PWM_LOAD_FILE ? 1 : 3;
        operation.program = texts.program;
        operation.path = texts.file;
        const LPARAM id = QueueFileOperation(operation);
        // A load runs at once, a save when its turn comes.
        if (message == PWM_LOAD_FILE)
            SendMessage(PWM_RUN_FILE_OPERATION, 0, id);
        else
            PostMessage(PWM_RUN_FILE_OPERATION, 0, id);
        return true;
    }
    case PWM_QUEUE_FILE_OPERATION:
        if (const auto* operation = reinterpret_cast<const CFileOperationData*>(lParam)) {
            if (!m_bClosing)
                PostMessage(PWM_RUN_FILE_OPERATION, 0, QueueFileOperation(*operation));
        }
        return true;
    case PWM_RUN_FILE_OPERATION: {
        if (m_bClosing) {
            m_fileOperations.clear();
            return true;
        }
        // One operation at a time, as the program operations.
        if (m_bOperationRunning) {
            DeferMessage(PWM_RUN_FILE_OPERATION, wParam, lParam, kOperationRetryMs);
            return true;
        }
        auto found = m_fileOperations.begin();
        while (found != m_fileOperations.end() && found->first != lParam)
            ++found;
        if (found == m_fileOperations.end())
            return true;
        const CFileOperationData operation = found->second;
        m_fileOperations.erase(found);
        m_bOperationRunning = true;
        result = RunFileOperation(operation);
        m_bOperationRunning = false;
        return true;
    }
    case PWM_RELOAD_PROGRAM:
        result = ReloadProgramFromFile(reinterpret_cast<LPCSTR>(lParam));
        return true;
    case PWM_STORE_STARTUP_DATA:
        result = WriteStartupData();
        return true;
    default:
        return false;
    }
}
