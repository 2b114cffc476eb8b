// CKWMPELink: projects, configuration, POUs, downloads and CRCs.
//
// Automation errors never leave a member: each one that calls the external
// system catches them and reports the text of their code.
#include "ieclink/kwmpelink.h"

#include "foundation/filepath.h"
#include "foundation/fileutil.h"
#include "ieclink/kwmpelink_ids.h"

namespace {

long Count(const CDispatchPtr& collection)
{
    return collection.Read("Count").ToLong();
}

CString NameOf(const CDispatchPtr& object)
{
    return object.Read("Name").ToString();
}

CString Quoted(const CString& text)
{
    return "\"" + text + "\"";
}

} // namespace

#define KW_GUARDED_BEGIN try {
#define KW_GUARDED_END                                                                                                 \
    }                                                                                                                  \
    catch (const CAutomationError& error)                                                                              \
    {                                                                                                                  \
        return FailCode(error.code);                                                                                   \
    }

CDispatchPtr CKWMPELink::CurrentProject() const
{
    return m_app ? m_app.Object("CurrentProject") : CDispatchPtr();
}

CString CKWMPELink::VexoLibraryPath()
{
    return KWMPEDirOrDefault() + m_kstrHardwareLibDirRel + "\\" + m_kstrVexoIEClib + "\\" + m_kstrVexoIEClib + "." +
           m_kstrHardwareLibExtension;
}

CDispatchPtr CKWMPELink::ProjectMember(const char* member, UINT missingId)
{
    CDispatchPtr project = CurrentProject();
    if (!project) {
        Fail(IDS_KW_INVALID_PROJECT);
        return CDispatchPtr();
    }
    CDispatchPtr object = project.Object(member);
    if (!object)
        Fail(missingId);
    return object;
}

CDispatchPtr CKWMPELink::Configurations()
{
    CDispatchPtr hardware = ProjectMember("Hardware", IDS_KW_INVALID_HARDWARE);
    if (!hardware)
        return CDispatchPtr();
    CDispatchPtr configurations = hardware.Object("Configurations");
    if (!configurations)
        Fail(IDS_KW_INVALID_CONFIGURATIONS);
    return configurations;
}

int CKWMPELink::IsProjectOpen()
{
    if (!m_app)
        return 0;
    try {
        return m_app.Read("IsProjectOpen").ToBool() ? 1 : 0;
    } catch (const CAutomationError&) {
        return 0;
    }
}

int CKWMPELink::CloseProject()
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    if (!IsProjectOpen())
        return Fail(IDS_KW_NO_PROJECT_OPEN);
    CDispatchPtr project = CurrentProject();
    if (!project)
        return Fail(IDS_KW_INVALID_PROJECT);
    if (!project.Call("Close", {1}).ToBool())
        return Fail(IDS_KW_FAILED_CLOSE_PROJECT);
    return 1;
    KW_GUARDED_END
}

int CKWMPELink::OpenProject(const CString& path)
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    // Without a project object there is nothing to close first; the
    // project is opened all the same.
    CDispatchPtr project = CurrentProject();
    if (project && !project.Call("Close", {1}).ToBool())
        return Fail(IDS_KW_FAILED_CLOSE_OPEN_PROJECT);
    if (!PathExists(path))
        return Fail(IDS_KW_FILE_NOT_FOUND, path.GetString());
    if (!m_app.Call("OpenProject", {path.GetString(), 1}).ToBool())
        return Fail(IDS_KW_FAILED_OPEN_PROJECT);
    return 1;
    KW_GUARDED_END
}

int CKWMPELink::CreateProject(const CString& path)
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    CDispatchPtr project = CurrentProject();
    if (PathExists(path))
        return Fail(IDS_KW_FILE_EXISTS, path.GetString());
    CFilePath parts(path);
    if (parts.GetName().IsEmpty())
        return Fail(IDS_KW_INVALID_PATH, path.GetString());
    const CString templatePath = KWMPEDirOrDefault() + m_kstrEmptyProjectTemplateRel;
    if (!PathExists(templatePath))
        return Fail(IDS_KW_FILE_NOT_FOUND, templatePath.GetString());
    if (!project)
        return Fail(IDS_KW_INVALID_PROJECT);
    const HRESULT code = project.Call("CreateProject", {parts.GetDirectory().GetString(), parts.GetName().GetString(),
                                                        templatePath.GetString()})
                             .ToLong();
    if (FAILED(code))
        return FailCode(code);
    if (!PathExists(path))
        return Fail(IDS_KW_FILE_NOT_FOUND, path.GetString());
    if (!OpenProject(path))
        return Fail(IDS_KW_UNABLE_TO_OPEN_PROJECT);
    if (!AddVexoIEClibToProject())
        return 0;
    return SetHardwareConfig();
    KW_GUARDED_END
}

int CKWMPELink::CompileProject()
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    try {
        CDispatchPtr project = CurrentProject();
        if (!project)
            return Fail(IDS_KW_INVALID_PROJECT);
        const HRESULT code = project.Call("Compile", {1}).ToLong();
        if (FAILED(code))
            return FailCode(code);
        return 1;
    } catch (const CAutomationError& error) {
        return FailText(error.description.IsEmpty() ? GetResultText(error.code) : error.description);
    }
}

int CKWMPELink::SaveCompressed()
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    if (!IsProjectOpen())
        return Fail(IDS_KW_NO_PROJECT_OPEN);
    CDispatchPtr project = CurrentProject();
    if (!project)
        return Fail(IDS_KW_INVALID_PROJECT);
    const CString compressed = project.Read("Path").ToString() + "." + m_kstrCompressedFileExtension;
    const HRESULT code = m_app.Call("ExecuteCommand", {("CompressProject " + Quoted(compressed)).GetString()}).ToLong();
    if (FAILED(code))
        return Fail(IDS_KW_COMPRESS_FAILED);
    return 1;
    KW_GUARDED_END
}

int CKWMPELink::OpenCompressed(const CString& path)
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    if (!PathExists(path))
        return 0;
    KW_GUARDED_BEGIN
    CFilePath target(path);
    target.SetExtension(m_kstrProjectFileExtension);
    if (IsProjectOpen())
        CloseProject();
    const CString command = "ExpandProject " + Quoted(target.GetPathWithoutExtension()) + " " + Quoted(path);
    const HRESULT code = m_app.Call("ExecuteCommand", {command.GetString()}).ToLong();
    if (FAILED(code) || code == 1)
        return Fail(IDS_KW_EXPAND_FAILED);
    return OpenProject(target.GetFullPath());
    KW_GUARDED_END
}

CString CKWMPELink::GetCurrentProjectDirPath() const
{
    if (!m_app)
        return CString();
    try {
        if (!m_app.Read("IsProjectOpen").ToBool())
            return CString();
        CDispatchPtr project = CurrentProject();
        return project ? project.Read("Path").ToString() : CString();
    } catch (const CAutomationError&) {
        return CString();
    }
}

CString CKWMPELink::GetCurrentProjectFilePath() const
{
    const CString dir = GetCurrentProjectDirPath();
    return dir.IsEmpty() ? dir : dir + "." + m_kstrProjectFileExtension;
}

CDispatchPtr CKWMPELink::GetDefaultResource()
{
    if (!IsProjectOpen()) {
        Fail(IDS_KW_NO_PROJECT_OPEN);
        return CDispatchPtr();
    }
    try {
        CDispatchPtr configurations = Configurations();
        if (!configurations)
            return CDispatchPtr();
        if (Count(configurations) < m_knFirstConfigurationIndex)
            return CDispatchPtr();
        CDispatchPtr configuration = configurations.Object("Item", {m_knFirstConfigurationIndex});
        if (!configuration) {
            Fail(IDS_KW_INVALID_CONFIGURATION);
            return CDispatchPtr();
        }
        CDispatchPtr resources = configuration.Object("Resources");
        if (!resources) {
            Fail(IDS_KW_INVALID_RESOURCES);
            return CDispatchPtr();
        }
        if (Count(resources) < m_knFirstResourceIndex)
            return CDispatchPtr();
        return resources.Object("Item", {m_knFirstResourceIndex});
    } catch (const CAutomationError& error) {
        FailCode(error.code);
        return CDispatchPtr();
    }
}

CDispatchPtr CKWMPELink::GetDefaultTask()
{
    CDispatchPtr resource = GetDefaultResource();
    if (!resource) {
        Fail(IDS_KW_INVALID_RESOURCE);
        return CDispatchPtr();
    }
    try {
        CDispatchPtr tasks = resource.Object("Tasks");
        if (!tasks) {
            Fail(IDS_KW_INVALID_TASKS);
            return CDispatchPtr();
        }
        const long count = Count(tasks);
        for (long i = m_knFirstTaskIndex; i <= count; ++i) {
            CDispatchPtr task = tasks.Object("Item", {static_cast<int>(i)});
            if (task && NameOf(task).CompareNoCase(m_kstrDefaultTaskName) == 0)
                return task;
        }
    } catch (const CAutomationError& error) {
        FailCode(error.code);
    }
    return CDispatchPtr();
}

int CKWMPELink::SetHardwareConfig()
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    CDispatchPtr configurations = Configurations();
    if (!configurations)
        return 0;
    const long count = Count(configurations);
    for (long i = m_knFirstConfigurationIndex; i <= count; ++i) {
        CDispatchPtr configuration = configurations.Object("Item", {static_cast<int>(i)});
        if (configuration && NameOf(configuration).CompareNoCase(m_kstrDefaultConfigName) == 0 &&
            configuration.Read("PlcType").ToString().CompareNoCase(m_kstrDefaultPLCType) == 0)
            return Fail(IDS_KW_CONFIGURATION_EXISTS);
    }
    CDispatchPtr configuration =
        configurations.Object("Add", {m_kstrDefaultConfigName.GetString(), m_kstrDefaultPLCType.GetString()});
    if (!configuration)
        return Fail(IDS_KW_INVALID_CONFIGURATION);
    CDispatchPtr resources = configuration.Object("Resources");
    if (!resources)
        return Fail(IDS_KW_INVALID_RESOURCES);
    CDispatchPtr resource =
        resources.Object("Add", {m_kstrDefaultResourceName.GetString(), m_kstrDefaultProcessorType.GetString()});
    if (!resource)
        return Fail(IDS_KW_INVALID_RESOURCE);
    int result = 0;
    CDispatchPtr tasks = resource.Object("Tasks");
    if (!tasks) {
        Fail(IDS_KW_INVALID_TASKS);
    } else {
        CDispatchPtr task =
            tasks.Object("Add", {m_kstrDefaultTaskName.GetString(), m_kstrDefaultTaskType.GetString()});
        result = task ? 1 : 0;
    }
    // The new resource talks to the controller, not to the demonstration
    // IO, also when the task could not be made.
    ChangeIOGroupDrivers(resource, m_kstrDemoIODriver, m_kstrVexoIODriver);
    return result;
    KW_GUARDED_END
}

int CKWMPELink::ChangeIOGroupDrivers(const CDispatchPtr& resource, const CString& from, const CString& to)
{
    if (!resource)
        return Fail(IDS_KW_INVALID_RESOURCE);
    KW_GUARDED_BEGIN
    CDispatchPtr groups = resource.Object("IOGroups");
    if (!groups)
        return Fail(IDS_KW_INVALID_IO_GROUPS);
    for (long i = Count(groups); i >= 1; --i) {
        CDispatchPtr group = groups.Object("Item", {static_cast<int>(i)});
        if (group && group.Read("Driver").ToString().CompareNoCase(from) == 0)
            group.Write("Driver", CVariant(to.GetString()));
    }
    return 1;
    KW_GUARDED_END
}

int CKWMPELink::RemoveIOGroupsFromResource(const CDispatchPtr& resource)
{
    if (!resource)
        return Fail(IDS_KW_INVALID_RESOURCE);
    KW_GUARDED_BEGIN
    CDispatchPtr groups = resource.Object("IOGroups");
    if (!groups)
        return Fail(IDS_KW_INVALID_IO_GROUPS);
    for (long i = Count(groups); i >= 1; --i) {
        CDispatchPtr group = groups.Object("Item", {static_cast<int>(i)});
        if (group)
            group.Call("Delete");
    }
    return 1;
    KW_GUARDED_END
}

int CKWMPELink::IsVexoIECLibIncluded()
{
    if (!m_app)
        return 0;
    try {
        CDispatchPtr project = CurrentProject();
        CDispatchPtr libraries = project ? project.Object("Libraries") : CDispatchPtr();
        if (!libraries)
            return 0;
        const CString wanted = VexoLibraryPath();
        const long count = Count(libraries);
        for (long i = m_knFirstLibraryIndex; i <= count; ++i) {
            CDispatchPtr library = libraries.Object("Item", {static_cast<int>(i)});
            if (library && library.Read("Path").ToString().CompareNoCase(wanted) == 0)
                return 1;
        }
    } catch (const CAutomationError& error) {
        return FailCode(error.code);
    }
    return 0;
}

int CKWMPELink::AddVexoIEClibToProject()
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    CDispatchPtr libraries = ProjectMember("Libraries", IDS_KW_INVALID_LIBRARIES);
    if (!libraries)
        return 0;
    const CString path = VexoLibraryPath();
    if (!PathExists(path))
        return Fail(IDS_KW_FILE_NOT_FOUND, path.GetString());
    if (!IsVexoIECLibIncluded())
        libraries.Call("Add", {path.GetString()});
    return 1;
    KW_GUARDED_END
}

int CKWMPELink::DoesPOUExist(const CString& name)
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    CDispatchPtr pous = ProjectMember("Pous", IDS_KW_INVALID_POUS);
    if (!pous)
        return 0;
    return DoesPOUExist(name, pous);
    KW_GUARDED_END
}

int CKWMPELink::DoesPOUExist(const CString& name, const CDispatchPtr& pous)
{
    if (!pous)
        return Fail(IDS_KW_INVALID_POUS);
    KW_GUARDED_BEGIN
    const long count = Count(pous);
    for (long i = m_knFirstPOUIndex; i <= count; ++i) {
        CDispatchPtr pou = pous.Object("Item", {static_cast<int>(i)});
        if (pou && NameOf(pou).CompareNoCase(name) == 0)
            return 1;
    }
    return 0;
    KW_GUARDED_END
}

int CKWMPELink::AddPOU(const CString& name)
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    KW_GUARDED_BEGIN
    CDispatchPtr pous = ProjectMember("Pous", IDS_KW_INVALID_POUS);
    if (!pous)
        return 0;
    if (DoesPOUExist(name, pous))
        return Fail(IDS_KW_POU_EXISTS);
    CDispatchPtr pou = pous.Object("Add", {name.GetString(), 7, 2, "", m_kstrDefaultPLCType.GetString(),
                                           m_kstrDefaultProcessorType.GetString()});
    return pou ? 1 : 0;
    KW_GUARDED_END
}

int CKWMPELink::GetPOUs(CStringList& list)
{
    list.RemoveAll();
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    if (!IsProjectOpen())
        return Fail(IDS_KW_NO_PROJECT_OPEN);
    KW_GUARDED_BEGIN
    CDispatchPtr pous = ProjectMember("Pous", IDS_KW_INVALID_POUS);
    if (!pous)
        return 0;
    const long count = Count(pous);
    int added = 0;
    for (long i = m_knFirstPOUIndex; i <= count; ++i) {
        CDispatchPtr pou = pous.Object("Item", {static_cast<int>(i)});
        if (pou) {
            list.AddTail(NameOf(pou));
            ++added;
        }
    }
    return added;
    KW_GUARDED_END
}

int CKWMPELink::CreateProgramInstance(const CString& a, const CString& b)
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    CDispatchPtr task = GetDefaultTask();
    if (!task)
        return Fail(IDS_KW_INVALID_TASK);
    return CreateProgramInstance(task, a, b);
}

int CKWMPELink::CreateProgramInstance(const CDispatchPtr& task, const CString& a, const CString& b)
{
    if (!task || a.IsEmpty() || b.IsEmpty())
        return 0;
    KW_GUARDED_BEGIN
    CDispatchPtr instances = task.Object("ProgramInstances");
    if (!instances)
        return 0;
    return instances.Object("Add", {b.GetString(), a.GetString()}) ? 1 : 0;
    KW_GUARDED_END
}

int CKWMPELink::SendToController()
{
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    if (!IsProjectOpen())
        return Fail(IDS_KW_NO_PROJECT_OPEN);
    CDispatchPtr resource = GetDefaultResource();
    if (!resource)
        return Fail(IDS_KW_INVALID_RESOURCE);
    KW_GUARDED_BEGIN
    CDispatchPtr configurations = Configurations();
    if (!configurations)
        return 0;
    CDispatchPtr configuration = Count(configurations) >= m_knFirstConfigurationIndex
                                     ? configurations.Object("Item", {m_knFirstConfigurationIndex})
                                     : CDispatchPtr();
    if (!configuration)
        return Fail(IDS_KW_INVALID_CONFIGURATION);
    const CString command = "PlcDownload " + NameOf(configuration) + " " + NameOf(resource);
    const HRESULT code = m_app.Call("ExecuteCommand", {command.GetString()}).ToLong();
    if (FAILED(code))
        return Fail(IDS_KW_DOWNLOAD_FAILED);
    return 1;
    KW_GUARDED_END
}

int CKWMPELink::GetCRC(ECRCType kind, unsigned long& crc)
{
    crc = 0;
    const CString* query = nullptr;
    switch (kind) {
    case eProjectCRC:
        query = &m_kstrSCS_GetProjectCRC;
        break;
    case ePLCProjectCRC:
        query = &m_kstrSCS_GetPLCProjectCRC;
        break;
    case ePLCBootProjectCRC:
        query = &m_kstrSCS_GetPLCBootProjectCRC;
        break;
    case ePLCZippedProjectCRC:
        query = &m_kstrSCS_GetPLCZippedProjectCRC;
        break;
    }
    if (!query)
        return 0;
    if (!m_app)
        return Fail(IDS_KW_INVALID_APPLICATION);
    CDispatchPtr resource = GetDefaultResource();
    if (!resource)
        return Fail(IDS_KW_INVALID_RESOURCE);
    CString reply;
    try {
        reply = resource.Call("RunQuery", {query->GetString()}).ToString();
    } catch (const CAutomationError&) {
        reply.Empty();
    }
    crc = DecodeCRCString(reply);
    return 1;
}

int CKWMPELink::GetProjectCRC(unsigned long& crc)
{
    return GetCRC(eProjectCRC, crc);
}

int CKWMPELink::GetControllerProjectCRC(unsigned long& crc)
{
    return GetCRC(ePLCProjectCRC, crc);
}

unsigned long CKWMPELink::DecodeCRCString(const CString& text)
{
    const char* p = text.GetString();
    if (p[0] == '0' && p[1] == 'x')
        p += 2;
    unsigned long long value = 0;
    bool any = false;
    for (; *p; ++p) {
        int digit;
        if (*p >= '0' && *p <= '9')
            digit = *p - '0';
        else if (*p >= 'a' && *p <= 'f')
            digit = *p - 'a' + 10;
        else if (*p >= 'A' && *p <= 'F')
            digit = *p - 'A' + 10;
        else
            break;
        value = value * 16 + static_cast<unsigned>(digit);
        // A number too large for 32 bits is not a CRC.
        if (value > 0xFFFFFFFFull)
            return 0;
        any = true;
    }
    return any ? static_cast<unsigned long>(value) : 0;
}
