#include "project/hardwarescan.h"

#include <iterator>

#include "link/controllerconnection.h"
#include "shell/mainframemessages.h"

namespace {

const char* const kScanCaption = "Scanning controller";
const int FEATURE_MODULE_SLOTS = 3;
const int FEATURE_ANALOGUE_OUTPUT_MODULE = 17;

// The flags in the order they go to the main frame.
enum Flag { FLAG_CAN, FLAG_SLM, FLAG_SERCOS, FLAG_ANALOGUE_OUTPUT, FLAG_MECHATROLINK, FLAG_PANASONIC, FLAG_COUNT };

struct ModuleFlag {
    int module;
    Flag flag;
};
const ModuleFlag kModuleFlags[] = {
    {0x10014, FLAG_CAN},           {0x1001D, FLAG_CAN},          {0x10026, FLAG_CAN},
    {0x10016, FLAG_SLM},           {0x1002B, FLAG_SLM},          {0x10018, FLAG_SERCOS},
    {0x10020, FLAG_SERCOS},        {0x10019, FLAG_ANALOGUE_OUTPUT}, {0x1001F, FLAG_MECHATROLINK},
    {0x10024, FLAG_MECHATROLINK},  {0x10025, FLAG_PANASONIC},
};

void RaiseByModule(int module, bool flags[FLAG_COUNT])
{
    for (const ModuleFlag& entry : kModuleFlags)
        if (entry.module == module)
            flags[entry.flag] = true;
}

// Axis types of axes on a drive network.
bool IsDriveNetworkAxisType(int type)
{
    return type == 16 || type == 17 || (type >= 22 && type <= 25) || (type >= 53 && type <= 59);
}

// The answer for axis 0 where it stands for the controller's built-in
// drive network.
int NormaliseFirstAxis(int answer, int family)
{
    if (family < 2 && answer >= 16)
        return 0;
    if (answer == 8 || answer == 9)
        return 0x10014;
    if (answer == 11)
        return 0x10016;
    return answer;
}

bool ShouldStop(IProjectHub& hub) { return hub.GetConnectionState().disconnecting || hub.IsClosing(); }

} // namespace

HardwareTraits GetHardwareTraits(const ControllerModelInfo& model)
{
    // The model table keeps no slot count: controllers of families 2 and 4
    // take expansion modules, family 4 in four slots.
    HardwareTraits traits = {0, false, false};
    if (model.m_nFamily == 2)
        traits.moduleSlots = 1;
    else if (model.m_nFamily == 4)
        traits.moduleSlots = 4;
    return traits;
}

void ScanControllerHardware(IProjectHub& hub)
{
    CHubBusy busy(hub);
    for (int slot = 0; slot < MODULE_SLOT_COUNT; ++slot)
        hub.SetModuleSlot(slot, -1);
    CControllerConnection* connection = hub.GetConnection();
    if (!connection || connection->GetModelRow() == MODEL_ROW_NONE ||
        connection->GetLinkMode() != CONNECTION_CHANNEL_MODE)
        return;
    const ControllerModelInfo model = connection->GetModel();
    const HardwareTraits traits = GetHardwareTraits(model);
    const bool hasSlots = connection->IsFeatureSupported(FEATURE_MODULE_SLOTS) != FALSE;
    const int axes = hub.GetAxisCountAtServoPeriod();
    const int slots = (hasSlots && connection->GetModelRow() != 2) ? traits.moduleSlots : 0;

    bool flags[FLAG_COUNT] = {};
    flags[FLAG_CAN] = traits.firstDriveNetwork;
    flags[FLAG_ANALOGUE_OUTPUT] = traits.analogueOutput;

    std::unique_ptr<IHubProgress> gauge = hub.StartProgress(kScanCaption);
    gauge->SetRange(axes + slots + 3);
    for (int axis = 0; axis < axes && axis < MODULE_SLOT_COUNT && !ShouldStop(hub); ++axis) {
        gauge->StepIt();
        if (!hub.RunCommand(CMD_ATYPE, axis)) {
            if (connection->IsLinkLost())
                break;
            continue;
        }
        int answer = hub.GetAnswerWord();
        if (hasSlots) {
            if (axis == 0) {
                answer = NormaliseFirstAxis(answer, model.m_nFamily);
                if (answer == 0x10014 || answer == 0x10016 || answer == 0x10018)
                    RaiseByModule(answer, flags);
            }
            hub.SetModuleSlot(axis, answer);
        }
        if (IsDriveNetworkAxisType(answer))
            flags[FLAG_SERCOS] = true;
    }
    for (int slot = 0; slot < slots && !ShouldStop(hub); ++slot) {
        gauge->StepIt();
        if (!hub.RunCommand(CMD_COMMSTYPE, slot)) {
            if (connection->IsLinkLost())
                break;
            continue;
        }
        const int answer = hub.GetAnswerWord();
        if (answer >= MODULE_ID_FIRST) {
            hub.SetModuleSlot(slot, answer);
            RaiseByModule(answer, flags);
        }
    }
    for (int kind = 0; kind < 3; ++kind) {
        gauge->StepIt();
        if (!ShouldStop(hub))
            hub.RefreshIOCounts(kind);
    }
    gauge->Close();

    if (ShouldStop(hub) || connection->IsLinkLost())
        return;
    if (!connection->IsFeatureSupported(FEATURE_ANALOGUE_OUTPUT_MODULE))
        flags[FLAG_ANALOGUE_OUTPUT] = false;
    const HWND frame = hub.GetMainFrameWindow();
    const struct {
        Flag flag;
        UINT message;
        LPARAM kind;
    } order[] = {
        {FLAG_CAN, WM_DRIVE_KIND_PRESENT, DRIVE_KIND_CAN},
        {FLAG_SLM, WM_DRIVE_KIND_PRESENT, DRIVE_KIND_SLM},
        {FLAG_SERCOS, WM_DRIVE_KIND_PRESENT, DRIVE_KIND_SERCOS},
        {FLAG_ANALOGUE_OUTPUT, WM_ETHERNET_CONFIG_AVAILABLE, 0},
        {FLAG_MECHATROLINK, WM_DRIVE_KIND_PRESENT, DRIVE_KIND_MECHATROLINK},
        {FLAG_PANASONIC, WM_DRIVE_KIND_PRESENT, DRIVE_KIND_PANASONIC},
    };
    for (const auto& entry : order)
        if (flags[entry.flag])
            SendIfWindow(frame, entry.message, 0, entry.kind);
}
