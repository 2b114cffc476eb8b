// Axis types and expansion modules: the names and classes behind the
// numbers the controller reports ("?ATYPE AXIS(%i)[0];" per axis, a module
// id per expansion slot), and the predicates the tool windows use to decide
// which drive tools apply.
//
// This header includes no Win32 header.
#pragma once

#include <array>
#include <cstdint>

#include "framework/types.h"

// Axis kinds.
enum : int {
    AXIS_KIND_NONE = 0,
    AXIS_KIND_LOCAL = 1, // step, servo or encoder hardware
    AXIS_KIND_CAN = 2,
    AXIS_KIND_CANOPEN = 3,
    AXIS_KIND_SLM = 4,
    AXIS_KIND_PLM = 5,
    AXIS_KIND_SERCOS = 6,
    AXIS_KIND_MECHATROLINK = 7,
    AXIS_KIND_A4N_POSITION = 8,
    AXIS_KIND_A4N = 9,
    AXIS_KIND_ETHERCAT = 10,
};
// Sub-kinds of the kinds with modes.
enum : int {
    AXIS_MODE_POSITION = 1,
    AXIS_MODE_SPEED = 2,
    AXIS_MODE_TORQUE = 3,
    AXIS_MODE_OPEN = 4,
};

struct DaughterBoardType {
    char m_szName[44];
    std::int32_t m_nKind;
    std::int32_t m_nSubKind;
    std::int32_t m_nVariant; // 1: the registration variant
};

const int AXIS_TYPE_COUNT = 68;
// Indexed by axis type number.
extern const DaughterBoardType AxisTypeTable[AXIS_TYPE_COUNT];

// One expansion module (100 bytes).
struct DaughterBoardRecord {
    char m_szName[40];
    std::int32_t m_nModuleId;
    std::int32_t m_nChannels; // read by the analogue-input and configuration tools
    std::int32_t m_nSecondCount;
    std::int32_t m_nPlacement;
    std::int32_t m_nFlag1;
    std::int32_t m_nFlag2;
    std::int32_t m_nAxisTypes[8]; // 0 ends the list
    std::int32_t m_nLast;
};
static_assert(sizeof(DaughterBoardRecord) == 100);

const int FIRST_MODULE_ID = 0x10014;
const int LAST_MODULE_ID = 0x1005E; // the "Unknown" row; not a valid module id
const int MODULE_COUNT = LAST_MODULE_ID - FIRST_MODULE_ID + 1;
// Row n describes module id FIRST_MODULE_ID + n.
extern const std::array<DaughterBoardRecord, MODULE_COUNT> DaughterBoardTable;

// The row of ids FIRST_MODULE_ID to LAST_MODULE_ID by position; null for
// any other id.
const DaughterBoardRecord* FindDaughterBoardRecord(int moduleId);
// The first axis type (below 68) listed by the first row whose stored
// module id equals moduleId that has the kind, sub-kind and variant; 0
// when there is none. The AnyBUS rows store the id of "AnyBUS Empty", so
// their own ids find nothing of their own.
int FindDaughterBoardType(int moduleId, int kind, int subKind, int variant);

// The name of an axis type; empty for a number outside the table.
const char* GetAxisTypeName(int axisType);

BOOL IsEncoderAxisType(int axisType);   // 1..67 and kind 1
BOOL IsExpansionModuleId(int moduleId); // 0x10014 <= id < 0x1005E
BOOL IsEncoderAxisTypeOrModule(int value);
BOOL IsDriveNetworkAxisType(int axisType); // 16, 17, 22..25, 53..59
BOOL IsSlmPlmAxisType(int axisType);       // 11, 20, 61, 62
BOOL IsCanModule(int moduleId);
BOOL IsSercosModule(int moduleId);
BOOL IsSlmModule(int moduleId);
BOOL IsMechatrolinkModule(int moduleId);
BOOL IsPanasonicModule(int moduleId);
BOOL IsEthernetModule(int moduleId);

// The names the drive tools use for two of them.
inline BOOL IsDriveLinkAxisType(int axisType)
{
    return IsSlmPlmAxisType(axisType);
}
inline BOOL IsSLMModule(int moduleId)
{
    return IsSlmModule(moduleId);
}
