#include "project/projectbackup.h"

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "framework/prompt.h"
#include "link/controllerconnection.h"
#include "project/newfolder.h"
#include "project/programfilecopy.h"
#include "project/programtypes.h"
#include "project/projectfile.h"
#include "project/projecthub.h"

namespace {

const char kCaption[] = "Project Manager";                     // 659
const char kNoFolder[] = "Error creating backup subdirectory"; // 507
const char kGaugeCaption[] = "Creating backup";                // 422
const int kIecProgramType = 4;
const int kNotBackedUpColumn = 19;

// Whether a program of this type has a file of its own to back up.
bool IsBackedUp(int type, CControllerConnection& connection)
{
    const ProgramTypeRow* row = FindProgramType(type);
    return row && connection.IsProgramTypeSupported(type) && !GetProgramTypeColumn(*row, kNotBackedUpColumn);
}

} // namespace

BOOL BackupProject(IProjectHub& hub)
{
    CProjectFile* file = hub.GetProjectFile();
    CControllerConnection* connection = hub.GetConnection();
    // Without an open project there is nothing to back up.
    if (!file || !connection || file->GetFilePath().IsEmpty())
        return TRUE;
    const CString folder = file->GetDirectory();
    const CString backup = JoinFolder(folder, "backup");
    if (!DirectoryExists(backup) && !::CreateDirectoryA(backup, nullptr)) {
        AfxGetPromptService().PromptDetached(kNoFolder, kCaption);
        return FALSE;
    }

    std::unique_ptr<IHubProgress> gauge = hub.StartProgress(kGaugeCaption);
    const std::vector<CProgramData> programs = connection->GetPrograms();
    const int steps = static_cast<int>(programs.size()) + 1;
    bool copied = true;
    int step = 0;
    for (const CProgramData& program : programs) {
        if (!copied)
            break;
        if (gauge)
            gauge->SetPercent(step * 100 / steps);
        ++step;
        // A controller's name that cannot be a file name in the folder
        // (a device name, or a path from a hostile directory) is not backed up.
        if (!IsProgramFileName(program.m_strName)) {
            GlobalLogFormat(LOG_STATUS_ERRORS, "Backup: program \"%s\" has no file name, not backed up",
                            program.m_strName.GetString());
            continue;
        }
        const int type = file->GetProgramType(program.m_strName);
        const CString name = program.m_strName + "." + GetProgramTypeExtension(type);
        const CString source = JoinFolder(folder, name);
        if (type == kIecProgramType)
            copied = CopyProgramWithFolder(source, backup, TRUE) != FALSE;
        else if (IsBackedUp(type, *connection))
            copied = CopyProgramFile(source, JoinFolder(backup, name), FALSE) != FALSE;
    }
    if (gauge)
        gauge->SetPercent(100);
    // The project file goes last, and only beside a complete set of
    // programs; a backup without it could not be reverted, so its failure
    // fails the backup.
    if (copied) {
        const CString path = file->GetFilePath();
        copied = CopyProgramFile(path, JoinFolder(backup, path.Mid(path.ReverseFind('\\') + 1)), FALSE) != FALSE;
    }
    const bool cancelled = gauge && gauge->IsCancelled();
    if (gauge)
        gauge->Close();
    return copied && !cancelled ? TRUE : FALSE;
}
