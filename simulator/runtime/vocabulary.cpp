#include "simulator/runtime/vocabulary.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "simulator/runtime/comms_keywords.h"
#include "simulator/runtime/drive_buses.h"
#include "simulator/runtime/edprog.h"
#include "simulator/runtime/flow_control.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/lock.h"
#include "simulator/runtime/io_keywords.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/motion_keywords.h"
#include "simulator/runtime/network_keywords.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/program_selection.h"
#include "simulator/runtime/screen_editor.h"
#include "simulator/runtime/system_keywords.h"
#include "simulator/runtime/terminal_keywords.h"

namespace qcrt {

// The keyword table. Rows 15 and 151 are reserved: they keep their token
// numbers and carry a name that no word can match (a word begins with a
// letter), so loops over the table pass them.
const TokenDescriptor g_Keywords[kKeywordRows + 1] = {
    {"TOKENTABLE", 0, 0, 0, 0, 0, 0, ListTokenTable, 0x00180039},       // 0
    {"COMPILE", 0, 0, 0, 0, 0, 0, KeywordCompile, 0x001C00A1},          // 1
    {"COPY|CP", 0, 0, 2, 2, 0, 0, KeywordCopy, 0x001C00A1},             // 2
    {"DEL|RM", 0, 0, 0, 1, 0, 0, KeywordNew, 0x001C00A1},               // 3
    {"DIR|LS", 0, 0, 0, 1, 0, 0, KeywordDir, 0x001C00A1},               // 4
    {"EDIT|ED", 0, 0, 0, 0, 0, 1, KeywordEdit, 0x001C0021},             // 5
    {"EPROM", 0, 0, 0, 0, 0, 1, KeywordEprom, 0x001C0029},              // 6
    {"CLEAR_PARAMS", 0, 0, 0, 0, 0, 0, nullptr, 0x001C0021},            // 7
    {"GLOBAL", 0, 0, 0, 1, 0, 1, KeywordGlobal, 0x001C00B1},            // 8
    {"CONSTANT", 0, 0, 0, 1, 0, 1, KeywordConstant, 0x001C00B1},        // 9
    {"LIST_GLOBAL", 0, 0, 0, 0, 0, 0, KeywordListGlobal, 0x001C00A1},   // 10
    {"NEW", 0, 0, 0, 1, 0, 0, KeywordNew, 0x001C00A1},                  // 11
    {"LIST|TYPE", 0, 0, 0, 1, 0, 0, KeywordList, 0x001C00A1},           // 12
    {"APPENDPROG", 0, 0, 1, 1, 0, 0, KeywordAppendProgram, 0x001D4021}, // 13
    {"LOAD_PROJECT", 0, 0, 0, 0, 0, 1, KeywordLoadProject, 0x001C0021}, // 14
    {"_RESERVED15", 0, 0, 0, 0, 0, 0, nullptr, 0},                      // 15 (reserved)
    {"PROC_MODE", 0, 0, 0, 0, 1, 1, KeywordProcMode, 0x00140039},       // 16
    {"EDPROG", 0, 0, 1, 1, 1, 3, KeywordEditProgram, 0x001D2621},       // 17
    {"EXECUTE", 0, 0, 1, 1, 0, 0, KeywordExecute, 0x001D0031},          // 18
    {"LOADSYSTEM", 0, 0, 0, 0, 0, 0, KeywordLoadSystem, 0x001C0021},    // 19
    {"LOCK", 0, 0, 0, 0, 0, 1, KeywordLock, 0x001C0029},                // 20
    {"RENAME|RN", 0, 0, 2, 2, 0, 0, KeywordRename, 0x001C00A1},         // 21
    {"RUNTYPE", 0, 0, 1, 1, 1, 2, KeywordRunType, 0x001C00A1},          // 22
    {"SELECT", 0, 0, 1, 1, 0, 1, KeywordSelect, 0x001C00A1},            // 23
    {"STORE", 0, 0, 0, 0, 0, 0, KeywordStore, 0x001C0021},              // 24
    {"INITIALISE", 0, 0, 0, 0, 0, 0, Initialise, 0x001C0031},           // 25
    {"UNLOCK", 0, 0, 0, 0, 1, 1, KeywordUnlock, 0x001C0029},            // 26
    {"VIEW", 0, 0, 0, 1, 0, 0, KeywordView, 0x001C00A1},                // 27
    {"ABS", 0, 0, 0, 0, 1, 1, KeywordAbs, 0x0034003C},                  // 28
    {"ACOS", 0, 0, 0, 0, 1, 1, KeywordAcos, 0x0034003C},                // 29
    {"AND", 30, 0, 0, 0, 0, 0, KeywordNoOperation, 0x003C0032},         // 30
    {"ASIN|ASN", 0, 0, 0, 0, 1, 1, KeywordAsin, 0x0034003C},            // 31
    {"ATAN|ATN", 0, 0, 0, 0, 1, 1, KeywordAtan, 0x0034003C},            // 32
    {"ATAN2", 0, 0, 0, 0, 2, 2, KeywordAtan2, 0x0034003C},              // 33
    {"CLEAR", 0, 0, 0, 0, 0, 0, KeywordClear, 0x001C0031},              // 34
    {"COS", 0, 0, 0, 0, 1, 1, KeywordCos, 0x0034003C},                  // 35
    {"EXP", 0, 0, 0, 0, 1, 1, KeywordExp, 0x0034003C},                  // 36
    {"FLASHVR", 0, 0, 0, 0, 1, 3, KeywordFlashVr, 0x00140039},          // 37
    {"FRAC", 0, 0, 0, 0, 1, 1, KeywordFrac, 0x0034003C},                // 38
    {"INT", 0, 0, 0, 0, 1, 1, KeywordInt, 0x0034003C},                  // 39
    {"LN", 0, 0, 0, 0, 1, 1, KeywordLn, 0x0034003C},                    // 40
    {"LOOKUP", 0, 2, 0, 0, 2, 11, KeywordLookup, 0x001C003D},           // 41
    {"MOD", 34, 0, 0, 0, 0, 0, KeywordNoOperation, 0x003C0032},         // 42
    {"NOT", 33, 0, 0, 0, 0, 0, KeywordNoOperation, 0x003C0034},         // 43
    {"OR", 31, 0, 0, 0, 0, 0, KeywordNoOperation, 0x003C0032},          // 44
    {"RESET", 0, 0, 0, 0, 0, 0, KeywordReset, 0x001C0031},              // 45
    {"SGN", 0, 0, 0, 0, 1, 1, KeywordSgn, 0x0034003C},                  // 46
    {"SIN", 0, 0, 0, 0, 1, 1, KeywordSin, 0x0034003C},                  // 47
    {"SQR", 0, 0, 0, 0, 1, 1, KeywordSqr, 0x0034003C},                  // 48
    {"TAN", 0, 0, 0, 0, 1, 1, KeywordTan, 0x0034003C},                  // 49
    {"XOR", 32, 0, 0, 0, 0, 0, KeywordNoOperation, 0x003C0032},         // 50
    {"TABLE", 0, 0, 0, 0, 1, 37, KeywordTable, 0x001C003D},             // 51
    {"VR", 14, 0, 0, 0, 1, 1, KeywordVr, 0x0034003D},                   // 52
    {"AUTORUN", 0, 0, 0, 0, 0, 0, KeywordAutorun, 0x001C0021},          // 53
    {"BASICERROR", 29, 0, 0, 0, 0, 0, KeywordOutOfContext, 0x001C0011}, // 54
    {"BREAK_ADD", 0, 0, 0, 1, 1, 1, KeywordBreakAdd, 0x001C00A1},       // 55
    {"BREAK_LIST", 0, 0, 0, 1, 0, 0, KeywordBreakList, 0x001C00A1},     // 56
    {"BREAK_DELETE", 0, 0, 0, 1, 1, 1, KeywordBreakDelete, 0x001C00A1}, // 57
    {"BREAK_RESET", 0, 0, 0, 1, 0, 0, KeywordBreakReset, 0x001C00A1},   // 58
    {"ELSEIF", 6, 0, 0, 0, 0, 0, KeywordIf, 0x001C0031},                // 59
    {"ELSE", 5, 0, 0, 0, 0, 0, KeywordElse, 0x001E0031},                // 60
    {"ENDIF", 7, 0, 0, 0, 0, 0, KeywordEndIf, 0x001E0011},              // 61
    {"EX", 0, 0, 0, 0, 0, 1, nullptr, 0x001C0039},                      // 62
    {"FOR", 15, 0, 0, 0, 0, 0, KeywordFor, 0x001E0031},                 // 63
    {"GOTO", 27, 0, 0, 0, 0, 0, KeywordGoto, 0x001E0011},               // 64
    {"GOSUB", 28, 0, 0, 0, 0, 0, KeywordGosub, 0x001E0011},             // 65
    {"HALT", 0, 0, 0, 0, 0, 1, KeywordHalt, 0x001C0039},                // 66
    {"IDLE", 24, 1, 0, 0, 0, 0, KeywordOutOfContext, 0x001C0030},       // 67
    {"INCLUDE", 39, 1, 1, 0, 0, 0, KeywordInclude, 0x001C0091},         // 68
    {"LOADED", 25, 1, 0, 0, 0, 0, KeywordOutOfContext, 0x001C0030},     // 69
    {"IF", 3, 0, 0, 0, 0, 0, KeywordIf, 0x001C0031},                    // 70
    {"NEXT", 18, 0, 0, 0, 0, 0, KeywordNext, 0x001E0031},               // 71
    {"ON", 26, 0, 0, 0, 0, 0, KeywordOn, 0x001C0015},                   // 72
    {"REPEAT", 21, 0, 0, 0, 0, 0, KeywordOutOfContext, 0x001E0031},     // 73
    {"RETURN", 0, 0, 0, 0, 0, 0, KeywordReturn, 0x001E0011},            // 74
    {"RUN", 0, 0, 0, 1, 0, 2, KeywordRun, 0x001C00B1},                  // 75
    {"STEP", 17, 0, 0, 0, 0, 0, KeywordOutOfContext, 0x001C0031},       // 76
    {"STEPLINE", 0, 0, 0, 1, 0, 1, KeywordStepLine, 0x001C00B1},        // 77
    {"STOP|END", 0, 0, 0, 1, 0, 1, KeywordStop, 0x001C00B1},            // 78
    {"THEN", 4, 0, 0, 0, 0, 0, KeywordOutOfContext, 0x001C0031},        // 79
    {"TO", 16, 0, 0, 0, 0, 0, KeywordOutOfContext, 0x001C0030},         // 80
    {"TRON", 0, 0, 0, 1, 0, 1, KeywordTron, 0x001C00B1},                // 81
    {"TROFF", 0, 0, 0, 1, 0, 1, KeywordTroff, 0x001C00B1},              // 82
    {"UNTIL", 22, 0, 0, 0, 0, 0, KeywordUntil, 0x001E0031},             // 83
    {"WEND", 20, 0, 0, 0, 0, 0, KeywordWend, 0x001E0031},               // 84
    {"WHILE", 19, 0, 0, 0, 0, 0, KeywordWhile, 0x001E0031},             // 85
    {"WAIT", 23, 0, 0, 0, 0, 0, KeywordWait, 0x001C0031},               // 86
    {"WA", 0, 0, 0, 0, 1, 1, KeywordWa, 0x001C0038},                    // 87
    {"ACC", 0, 1, 0, 0, 1, 1, KeywordAcc, 0x001C0039},                  // 88
    {"ADDAX", 0, 1, 0, 0, 1, 1, KeywordAddax, 0x001C0039},              // 89
    {"BASE|BA", 0, 2, 0, 0, 0, 24, KeywordBase, 0x001C003D},            // 90
    {"CANCEL|CA", 0, 1, 0, 0, 0, 1, KeywordCancel, 0x001C003D},         // 91
    {"CAM", 0, 1, 0, 0, 4, 4, KeywordCam, 0x001C0039},                  // 92
    {"CAMBOX", 0, 1, 0, 0, 5, 8, KeywordCamBox, 0x001C0039},            // 93
    {"CONNECT|CO", 0, 1, 0, 0, 1, 2, KeywordConnect, 0x001C0039},       // 94
    {"DATUM", 0, 1, 0, 0, 1, 1, KeywordDatum, 0x001C0039},              // 95
    {"DEC", 0, 1, 0, 0, 1, 1, KeywordDec, 0x001C0039},                  // 96
    {"DEFPOS|DP", 0, 1, 0, 0, 1, 24, KeywordDefpos, 0x001C0039},        // 97
    {"FORWARD|FO", 0, 1, 0, 0, 0, 0, KeywordForward, 0x001C0039},       // 98
    {"MOVEABS|MA", 0, 1, 0, 0, 1, 24, KeywordMoveAbs, 0x001C0039},      // 99
    {"MOVECIRC|QC", 0, 1, 0, 0, 5, 5, KeywordMoveCirc, 0x001C0039},     // 100
    {"MHELICAL|MH", 0, 1, 0, 0, 6, 7, KeywordMoveCirc, 0x001C0039},     // 101
    {"MOVELINK|ML", 0, 1, 0, 0, 2, 7, KeywordMoveLink, 0x001C0039},     // 102
    {"MOVE|MO", 0, 1, 0, 0, 1, 24, KeywordMove, 0x001C0039},            // 103
    {"MOVEMODIFY|MM", 0, 1, 0, 0, 1, 1, KeywordMoveModify, 0x001C0039}, // 104
    {"REVERSE|RE", 0, 1, 0, 0, 0, 0, KeywordReverse, 0x001C0039},       // 105
    {"RAPIDSTOP|RS", 0, 1, 0, 0, 0, 0, KeywordRapidStop, 0x001C0039},   // 106
    {"PMOVE", 0, 2, 0, 0, 0, 0, KeywordPmove, 0x001C003C},              // 107
    {"B_SPLINE", 0, 1, 0, 0, 5, 5, KeywordBSpline, 0x001C0039},         // 108
    {"SP", 0, 1, 0, 0, 1, 1, KeywordSp, 0x001C0039},                    // 109
    {"ADD_DAC", 0, 1, 0, 0, 1, 1, KeywordAddDac, 0x001C0039},           // 110
    {"AIN", 0, 0, 0, 0, 1, 1, KeywordAin, 0x0014003D},                  // 111
    {"AOUT", 14, 0, 0, 0, 1, 1, KeywordAout, 0x0014003D},               // 112
    {"CAN", 0, 0, 0, 0, 2, 11, KeywordCan, 0x001C003D},                 // 113
    {"DEVICENET", 0, 0, 0, 0, 2, 7, KeywordIgnoredBus, 0x001C003D},     // 114
    {"DLINK", 0, 0, 0, 0, 2, 5, KeywordIgnoredBus, 0x001C003D},         // 115
    {"PROFIBUS", 0, 0, 0, 0, 3, 7, KeywordProfibus, 0x0014003D},        // 116
    {"PROFIBUS", 0, 0, 0, 0, 2, 5, KeywordProfibus, 0x0014003D},        // 117
    {"CHR", 9, 0, 0, 0, 1, 1, KeywordChr, 0x001C0038},                  // 118
    {"DATE$", 9, 0, 0, 0, 0, 0, KeywordDateText, 0x001C0030},           // 119
    {"DAY$", 9, 0, 0, 0, 0, 0, KeywordDayText, 0x001C0030},             // 120
    {"DEFKEY", 0, 0, 0, 0, 2, 12, KeywordDefKey, 0x001C0039},           // 121
    {"FLASH_DUMP", 0, 0, 0, 0, 0, 0, KeywordFlashDump, 0x001C0021},     // 122
    {"FLAG", 0, 0, 0, 0, 1, 2, KeywordFlag, 0x001C003D},                // 123
    {"FLAGS", 0, 0, 0, 0, 0, 1, KeywordFlags, 0x001C003D},              // 124
    {"GET", 10, 0, 0, 0, 0, 0, KeywordGet, 0x001C0071},                 // 125
    {"HEX", 9, 0, 0, 0, 1, 1, KeywordHex, 0x001C0038},                  // 126
    {"IN", 0, 0, 0, 0, 0, 2, KeywordIn, 0x001C003D},                    // 127
    {"INPUT", 11, 0, 0, 0, 0, 0, KeywordInput, 0x001C0071},             // 128
    {"LINPUT", 12, 0, 0, 0, 0, 0, KeywordLineInput, 0x001C0071},        // 129
    {"KEY", 13, 0, 0, 0, 0, 0, KeywordKey, 0x001C0074},                 // 130
    {"MARK", 0, 1, 0, 0, 0, 0, KeywordMark, 0x001C0035},                // 131
    {"VQE", 0, 1, 0, 0, 0, 1, KeywordVqe, 0x001C003D},                  // 132
    {"OP", 0, 0, 0, 0, 0, 2, KeywordOp, 0x001C003D},                    // 133
    {"READ_OP", 0, 0, 0, 0, 1, 2, KeywordReadOp, 0x001C003C},           // 134
    {"PRINT", 8, 0, 0, 0, 0, 0, KeywordPrint, 0x001C3F71},              // 135
    {"PSWITCH", 0, 1, 0, 0, 2, 7, KeywordPswitch, 0x001C0039},          // 136
    {"READPACKET", 0, 0, 0, 0, 3, 4, KeywordReadPacket, 0x001C0039},    // 137
    {"REGIST", 0, 1, 0, 0, 1, 3, KeywordRegist, 0x001C0039},            // 138
    {"SEND", 0, 0, 0, 0, 3, 4, KeywordSend, 0x00140039},                // 139
    {"TIME$", 9, 0, 0, 0, 0, 0, KeywordTimeText, 0x001C0030},           // 140
    {"SETCOM", 0, 0, 0, 0, 4, 7, KeywordSetcom, 0x00140039},            // 141
    {"VRSTRING", 9, 0, 0, 0, 1, 1, KeywordVrString, 0x0014003C},        // 142
    {"PEEK", 0, 0, 0, 0, 1, 2, KeywordPeek, 0x001C003C},                // 143
    {"BATTERY_LOW", 0, 0, 0, 0, 0, 0, KeywordBatteryLow, 0x001C003C},   // 144
    {"PROCESS", 0, 0, 0, 0, 0, 0, ListProcesses, 0x001C0021},           // 145
    {"TIME", 35, 0, 0, 0, 0, 0, KeywordTime, 0x001C0035},               // 146
    {"DATE", 36, 0, 0, 0, 0, 0, KeywordDate, 0x001C0035},               // 147
    {"DAY", 37, 0, 0, 0, 0, 0, KeywordDay, 0x001C0035},                 // 148
    {"CURSOR", 9, 0, 0, 0, 1, 1, KeywordCursor, 0x001C0038},            // 149
    {"SCOPE", 0, 1, 0, 0, 1, 8, KeywordScope, 0x001C0039},              // 150
    {"_RESERVED151", 0, 0, 0, 0, 0, 0, nullptr, 0},                     // 151 (reserved)
    {"TRIGGER", 0, 0, 0, 0, 0, 0, KeywordTrigger, 0x001C0031},          // 152
    {"TABLEVALUES", 0, 1, 0, 0, 2, 3, KeywordTableValues, 0x00180039},  // 153
    {"AXISVALUES", 0, 1, 0, 0, 2, 2, KeywordAxisValues, 0x001C0039},    // 154
    {"FREE", 0, 0, 0, 0, 0, 0, KeywordFree, 0x001C0034},                // 155
    {"SET_BIT", 0, 0, 0, 0, 2, 2, KeywordSetBit, 0x001C0039},           // 156
    {"CLEAR_BIT", 0, 0, 0, 0, 2, 2, KeywordClearBit, 0x001C0039},       // 157
    {"READ_BIT", 0, 0, 0, 0, 2, 2, KeywordReadBit, 0x001C003C},         // 158
    {"INVERT_IN", 0, 0, 0, 0, 2, 2, KeywordInvertIn, 0x001C0039},       // 159
    {"POKE", 0, 0, 0, 0, 2, 3, KeywordPoke, 0x001C003C},                // 160
    {"SERCOS", 0, 0, 0, 0, 1, 17, KeywordSercos, 0x001C003D},           // 161
    {"ETHERNET", 0, 0, 0, 0, 3, 9, KeywordEthernet, 0x001A003D},                // 162
    {"ETHERNET_IP", 0, 0, 0, 0, 4, 7, KeywordEthernetIp, 0x001A003D},             // 163
    {"FINS_COMMS", 0, 0, 0, 0, 10, 14, KeywordFinsComms, 0x001C003D},            // 164
    {"STICK_READ", 0, 0, 0, 0, 2, 2, KeywordStick, 0x001C003C},         // 165
    {"STICK_WRITE", 0, 0, 0, 0, 2, 2, KeywordStick, 0x001C003C},        // 166
    {"ENCODER_RATIO", 0, 1, 0, 0, 2, 2, EncoderRatio, 0x001C0039},      // 167
    {"ENCODER_READ", 0, 1, 0, 0, 1, 1, EncoderRead, 0x001C003D},        // 168
    {"ENCODER_WRITE", 0, 1, 0, 0, 2, 2, EncoderWrite, 0x001C003D},      // 169
    {"MECHATROLINK", 0, 0, 0, 0, 2, 9, KeywordMechatrolink, 0x0014003D}, // 170
    {"INVERTER_READ", 0, 0, 0, 0, 3, 9, KeywordInverterRead, 0x0014003D}, // 171
    {"INVERTER_WRITE", 0, 0, 0, 0, 3, 9, KeywordInverterWrite, 0x0014003D}, // 172
    {"INVERTER_COMMAND", 0, 0, 0, 0, 3, 9, KeywordInverterCommand, 0x0014003D}, // 173
    {"COORDINATOR_DATA", 0, 0, 0, 0, 1, 9, Coordinator, 0x0014003D},    // 174
    {"PWM_CONTROL", 0, 1, 0, 0, 1, 7, KeywordPwmControl, 0x0014003D},   // 175
    {"STEP_RATIO", 0, 1, 0, 0, 2, 2, KeywordStepRatio, 0x001C0039},     // 176
    {"DISABLE_GROUP", 0, 0, 0, 0, 1, 24, DisableGroup, 0x001C003D},     // 177
    {"G", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 178
    {"M", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 179
    {"S", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 180
    {"T", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 181
    {"F", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 182
    {"X", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 183
    {"Y", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 184
    {"Z", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 185
    {"I", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 186
    {"J", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 187
    {"K", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 188
    {"R", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 189
    {"P", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 190
    {"D", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 191
    {"H", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 192
    {"N", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 193
    {"Q", 0, 0, 0, 0, 0, 0, nullptr, 0x00200000},                       // 194
    {"HW_PSWITCH", 0, 1, 0, 0, 1, 5, KeywordHwPswitch, 0x001C0039},     // 195
    {"", 0, 0, 0, 0, 0, 0, nullptr, 0},
};

const ParameterDescriptor g_Parameters[kParameterRows + 1] = {
    {"POWER_UP", 0, 0xFFFFFFFF, -1, 0x13},                 // 0
    {"MPOS", 1, 0xFFFFFFFF, -1, 0x06},                     // 1
    {"DAC_OUT|S_REF_OUT", 1, 0xFFFFFFFF, -1, 0x00},        // 2
    {"DPOS", 1, 0xFFFFFFFF, -1, 0x06},                     // 3
    {"FE", 1, 0xFFFFFFFF, -1, 0x06},                       // 4
    {"P_GAIN", 1, 0xFFFFFFFF, 0, 0x03},                    // 5
    {"I_GAIN", 1, 0xFFFFFFFF, 1, 0x03},                    // 6
    {"D_GAIN", 1, 0xFFFFFFFF, 2, 0x03},                    // 7
    {"OV_GAIN", 1, 0xFFFFFFFF, 3, 0x03},                   // 8
    {"VFF_GAIN", 1, 0xFFFFFFFF, 4, 0x03},                  // 9
    {"SPEED", 1, 0xFFFFFFFF, 5, 0x09},                     // 10
    {"ACCEL", 1, 0xFFFFFFFF, 6, 0x21},                     // 11
    {"DECEL", 1, 0xFFFFFFFF, 7, 0x21},                     // 12
    {"FASTDEC", 1, 0xFFFFFFFF, 17, 0x21},                  // 13
    {"UNITS", 1, 0xFFFFFFFF, 12, 0x0B},                    // 14
    {"FWD_IN", 1, 0x1F, 22, 0x27},                         // 15
    {"REV_IN", 1, 0x1F, 23, 0x27},                         // 16
    {"DATUM_IN|DAT_IN", 1, 0x1F, 24, 0x27},                // 17
    {"SRAMP", 1, 0xFFFFFFFF, 8, 0x0F},                     // 18
    {"FE_LIMIT|FELIMIT", 1, 0xFFFFFFFF, 13, 0x07},         // 19
    {"MERGE", 1, 0x1, -1, 0x05},                           // 20
    {"REP_DIST|REPDIST", 1, 0x7FFFFFFF, 18, 0x1F},         // 21
    {"CREEP", 1, 0xFFFFFFFF, 16, 0x21},                    // 22
    {"DAC|S_REF", 1, 0xFFFFFFFF, 20, 0x01},                // 23
    {"SERVO", 1, 0xFFFFFFFF, -1, 0x01},                    // 24
    {"MTYPE", 1, 0xFFFFFFFF, -1, 0x04},                    // 25
    {"AXISSTATUS", 1, 0xFFFFFFFF, -1, 0x00},               // 26
    {"OFFPOS", 1, 0xFFFFFFFF, 38, 0x07},                   // 27
    {"NTYPE", 1, 0xFFFFFFFF, -1, 0x00},                    // 28
    {"ENDMOVE", 1, 0xFFFFFFFF, -1, 0x07},                  // 29
    {"REMAIN", 1, 0xFFFFFFFF, -1, 0x06},                   // 30
    {"LINKAX", 1, 0xFFFFFFFF, -1, 0x00},                   // 31
    {"FS_LIMIT|FSLIMIT", 1, 0xFFFFFFFF, 26, 0x07},         // 32
    {"RS_LIMIT|RSLIMIT", 1, 0xFFFFFFFF, 27, 0x07},         // 33
    {"FHSPEED", 1, 0xFFFFFFFF, 11, 0x21},                  // 34
    {"ATYPE", 1, 0xC, -1, 0x29},                           // 35
    {"NIO", 0, 0xFFFFFFFF, -1, 0x01},                      // 36
    {"TICKS", 2, 0xFFFFFFFF, -1, 0x01},                    // 37
    {"VERSION", 0, 0xFFFFFFFF, -1, 0x02},                  // 38
    {"CONTROL", 0, 0xFFFFFFFF, -1, 0x14},                  // 39
    {"NETSTAT", 0, 0xFFFFFFFF, -1, 0x00},                  // 40
    {"WDOG", 0, 0xFFFFFFFF, -1, 0x01},                     // 41
    {"CHECKSUM", 0, 0xFFFFFFFF, -1, 0x00},                 // 42
    {"REG_MATCH", 1, 0xFFFFFFFF, 43, 0x02},                // 43
    {"INDEVICE", 2, 0xFFFFFFFF, -1, 0x23},                 // 44
    {"OUTDEVICE", 2, 0xFFFFFFFF, -1, 0x23},                // 45
    {"JOGSPEED", 1, 0xFFFFFFFF, 9, 0x21},                  // 46
    {"FHOLD_IN|FH_IN", 1, 0x1F, 25, 0x27},                 // 47
    {"FE_RANGE|FERANGE", 1, 0xFFFFFFFF, 14, 0x07},         // 48
    {"FE_LATCH", 1, 0xFFFFFFFF, -1, 0x07},                 // 49
    {"FEGRAD", 1, 0xFFFFFFFF, 29, 0x03},                   // 50
    {"ADDRESS", 0, 0xFFFFFFFF, -1, 0x01},                  // 51
    {"REG_POS|RPOS", 1, 0xFFFFFFFF, -1, 0x06},             // 52
    {"OPEN_WIN|OW", 1, 0xFFFFFFFF, -1, 0x07},              // 53
    {"CLOSE_WIN|CW", 1, 0xFFFFFFFF, -1, 0x07},             // 54
    {"OUTLIMIT", 1, 0xFFFFFFFF, 15, 0x01},                 // 55
    {"ERRORMASK", 1, 0x3FFF, -1, 0x1B},                    // 56
    {"VP_SPEED|VPSPEED", 1, 0xFFFFFFFF, -1, 0x08},         // 57
    {"MSPEED", 1, 0xFFFFFFFF, -1, 0x10},                   // 58
    {"DEMAND_EDGES", 1, 0xFFFFFFFF, -1, 0x00},             // 59
    {"FUTURE_KEYWORD", 1, 0xFFFFFFFF, -1, 0x01},           // 60
    {"MICROSTEP", 1, 0xFFFFFFFF, -1, 0x01},                // 61
    {"BOOST", 1, 0xFFFFFFFF, -1, 0x01},                    // 62
    {"TSIZE", 0, 0xFFFFFFFF, -1, 0x00},                    // 63
    {"SERVO_PERIOD", 0, 0xFFFFFFFF, -1, 0x0D},             // 64
    {"FRAME", 0, 0xFFFFFFFF, -1, 0x01},                    // 65
    {"TRANS_DPOS", 1, 0xFFFFFFFF, -1, 0x00},               // 66
    {"LAST_AXIS", 0, 0xFFFFFFFF, -1, 0x00},                // 67
    {"REP_OPTION", 1, 0xFFFFFFFF, -1, 0x01},               // 68
    {"SCOPE_POS", 0, 0xFFFFFFFF, -1, 0x01},                // 69
    {"ENCODER", 1, 0xFFFFFFFF, -1, 0x00},                  // 70
    {"VERIFY", 1, 0xFFFFFFFF, -1, 0x01},                   // 71
    {"PP_STEP", 1, 0x3FF, -1, 0x25},                       // 72
    {"AIN0", 0, 0xFFFFFFFF, -1, 0x01},                     // 73
    {"AIN1", 0, 0xFFFFFFFF, -1, 0x01},                     // 74
    {"AIN2", 0, 0xFFFFFFFF, -1, 0x01},                     // 75
    {"AIN3", 0, 0xFFFFFFFF, -1, 0x01},                     // 76
    {"AINBI0", 0, 0xFFFFFFFF, -1, 0x01},                   // 77
    {"AINBI1", 0, 0xFFFFFFFF, -1, 0x01},                   // 78
    {"AINBI2", 0, 0xFFFFFFFF, -1, 0x01},                   // 79
    {"AINBI3", 0, 0xFFFFFFFF, -1, 0x01},                   // 80
    {"PROCNUMBER", 0, 0xFFFFFFFF, -1, 0x00},               // 81
    {"MOTION_ERROR", 0, 0xFFFFFFFF, -1, 0x01},             // 82
    {"ERROR_AXIS", 0, 0xFFFFFFFF, -1, 0x00},               // 83
    {"RUN_ERROR", 2, 0xFFFFFFFF, -1, 0x00},                // 84
    {"ERROR_LINE", 2, 0xFFFFFFFF, -1, 0x00},               // 85
    {"COMMSERROR", 0, 0xFFFFFFFF, -1, 0x01},               // 86
    {"AFF_GAIN", 1, 0xFFFFFFFF, 10, 0x03},                 // 87
    {"FWD_JOG", 1, 0x1F, 116, 0x27},                       // 88
    {"REV_JOG", 1, 0x1F, 117, 0x27},                       // 89
    {"FAST_JOG", 1, 0x1F, 118, 0x27},                      // 90
    {"INPUTS0", 0, 0xFFFF, -1, 0x04},                      // 91
    {"INPUTS1", 0, 0xFFFF0000, -1, 0x18},                  // 92
    {"ENCODER_BITS|SSI_BITS", 1, 0xFFFFFFFF, -1, 0x01},    // 93
    {"DRIVE_ENABLE|CAN_ENABLE", 1, 0xFFFFFFFF, -1, 0x01},  // 94
    {"AXIS_ADDRESS|CAN_ADDRESS", 1, 0xFFFFFFFF, -1, 0x01}, // 95
    {"INVERT_STEP", 1, 0xFFFFFFFF, -1, 0x01},              // 96
    {"DISPLAY", 0, 0x8, -1, 0x1B},                         // 97
    {"PLC_TYPE", 0, 0xFFFFFFFF, -1, 0x00},                 // 98
    {"CANIO_STATUS", 0, 0xFFFFFFFF, -1, 0x01},             // 99
    {"CANIO_ADDRESS", 0, 0xFFFFFFFF, -1, 0x17},            // 100
    {"CANIO_ENABLE", 0, 0xFFFFFFFF, -1, 0x01},             // 101
    {"NAIO|N_ANA_IN", 0, 0xFFFFFFFF, -1, 0x00},            // 102
    {"COMMSTYPE", 4, 0xFFFFFFFF, -1, 0x01},                // 103
    {"DAC_SCALE", 1, 0x10, -1, 0x2D},                      // 104
    {"MOVES_BUFFERED", 1, 0xFFFFFFFF, -1, 0x00},           // 105
    {"DRIVE_STATUS|AMPSTATUS", 1, 0xFFFFFFFF, -1, 0x01},   // 106
    {"REMOTE_ERROR", 1, 0xFFFFFFFF, -1, 0x01},             // 107
    {"CLUTCH_RATE", 1, 0xFFFFFFFF, -1, 0x03},              // 108
    {"USB_STALL", 0, 0xFFFFFFFF, -1, 0x00},                // 109
    {"TOKENIZE", 0, 0xFFFFFFFF, -1, 0x00},                 // 110
    {"PROC_STATUS", 2, 0xFFFFFFFF, -1, 0x00},              // 111
    {"PROC_LINE", 2, 0xFF7FFFFF, -1, 0x04},                // 112
    {"ADDAX_AXIS", 1, 0xFFFFFFFF, -1, 0x00},               // 113
    {"LINK_AXIS", 1, 0xFFFFFFFF, -1, 0x00},                // 114
    {"HLS_NODE", 0, 0x1F, -1, 0x1B},                       // 115
    {"HLM_STATUS", 8, 0xFFFFFFFF, -1, 0x01},               // 116
    {"HLS_MODEL", 0, 0xFFFFFFFF, -1, 0x01},                // 117
    {"HLM_TIMEOUT", 0, 0xFFFFFFFF, -1, 0x01},              // 118
    {"BOARD_CALIBRATE", 0, 0xFFFFFFFF, -1, 0x2B},          // 119
    {"SERIAL_NUMBER", 0, 0xFFFFFFFF, -1, 0x00},            // 120
    {"FB_SET", 0, 0x2, -1, 0x1B},                          // 121
    {"FB_STATUS", 0, 0xFFFFFFFF, -1, 0x00},                // 122
    {"REG_POSB", 1, 0xFFFFFFFF, -1, 0x06},                 // 123
    {"VECTOR_BUFFERED", 1, 0xFFFFFFFF, -1, 0x06},          // 124
    {"ENDMOVE_BUFFER", 1, 0xFFFFFFFF, -1, 0x06},           // 125
    {"PROTOCOL", 8, 0xFFFFFFFF, -1, 0x31},                 // 126
    {"SERCOS_PHASE", 4, 0xFFFFFFFF, -1, 0x33},             // 127
    {"POS_OFFSET", 1, 0xFFFFFFFF, -1, 0x01},               // 128
    {"NEG_OFFSET", 1, 0xFFFFFFFF, -1, 0x01},               // 129
    {"D_ZONE_MIN", 1, 0xFFFFFFFF, -1, 0x07},               // 130
    {"D_ZONE_MAX", 1, 0xFFFFFFFF, -1, 0x07},               // 131
    {"SYSTEM_DEBUG", 0, 0xFFFFFFFF, -1, 0x01},             // 132
    {"USB_HEARTBEAT", 0, 0xFFFFFFFF, -1, 0x01},            // 133
    {"ENCODER_ID", 1, 0xFFFFFFFF, -1, 0x01},               // 134
    {"ENCODER_TURNS", 1, 0xFFFFFFFF, -1, 0x01},            // 135
    {"ENCODER_STATUS", 1, 0xFFFFFFFF, -1, 0x01},           // 136
    {"FORCE_SPEED", 1, 0xFFFFFFFF, 173, 0x21},             // 137
    {"ENDMOVE_SPEED", 1, 0xFFFFFFFF, 174, 0x21},           // 138
    {"ENCODER_CONTROL", 1, 0xFFFFFFFF, -1, 0x01},          // 139
    {"T_REF", 1, 0xFFFFFFFF, -1, 0x01},                    // 140
    {"FPGA_VERSION", 4, 0xFFFFFFFF, -1, 0x01},             // 141
    {"UNIT_SW_VERSION", 4, 0xFFFFFFFF, -1, 0x01},          // 142
    {"DRIVE_MONITOR", 1, 0xFFFFFFFF, -1, 0x01},            // 143
    {"DRIVE_INPUTS", 1, 0xFFFFFFFF, -1, 0x01},             // 144
    {"DRIVE_CONTROL", 1, 0xFFFFFFFF, -1, 0x01},            // 145
    {"DRIVE_MODE", 1, 0xFFFFFFFF, -1, 0x01},               // 146
    {"FE_LIMIT_MODE", 1, 0xFFFFFFFF, -1, 0x01},            // 147
    {"PWM_CYCLE", 1, 0xFFFFFFFF, -1, 0x01},                // 148
    {"PWM_MARK", 1, 0xFFFFFFFF, -1, 0x01},                 // 149
    {"PWM_ENCODER", 1, 0xFFFFFFFF, -1, 0x01},              // 150
    {"FULL_SP_RADIUS", 1, 0xFFFFFFFF, -1, 0x07},           // 151
    {"LOT_NUMBER", 0, 0xFFFFFFFF, -1, 0x35},               // 152
    {"REGIST_CONTROL", 1, 0xFFFFFFFF, -1, 0x01},           // 153
    {"DATUM_CONTROL", 1, 0xFFFFFFFF, -1, 0x01},            // 154
    {"LIMIT_BUFFERED", 0, 0x10, -1, 0x1B},                 // 155
    {"SYSTEM_ERROR", 0, 0xFFFFFFFF, -1, 0x00},             // 156
    {"AXIS_ENABLE", 1, 0xFFFFFFFF, -1, 0x37},              // 157
    {"ENABLE_OP", 1, 0x1F, -1, 0x27},                      // 158
    {"BACKLASH_DIST", 1, 0xFFFFFFFF, -1, 0x07},            // 159
    {"AOUT0", 0, 0xFFFFFFFF, -1, 0x41},                    // 160
    {"AOUT1", 0, 0xFFFFFFFF, -1, 0x41},                    // 161
    {"AOUT2", 0, 0xFFFFFFFF, -1, 0x41},                    // 162
    {"AOUT3", 0, 0xFFFFFFFF, -1, 0x41},                    // 163
    {"N_ANA_OUT", 0, 0xFFFFFFFF, -1, 0x00},                // 164
    {"TANG_DIRECTION", 1, 0xFFFFFFFF, -1, 0x03},           // 165
    {"AXIS_DISPLAY", 1, 0xFFFFFFFF, -1, 0x01},             // 166
    {"RS232_SPEED_MODE", 0, 0xFFFFFFFF, -1, 0x39},         // 167
    {"PS_ENCODER", 1, 0xFFFFFFFF, -1, 0x00},               // 168
    {"DEMAND_SPEED", 1, 0xFFFFFFFF, -1, 0x06},             // 169
    {"", 0, 0, 0, 0},
};

const ModifierDescriptor g_Modifiers[kModifierRows + 1] = {
    {"AXIS", 1, 1, 1}, {"PROC", 1, 1, 2}, {"SLOT", 1, 1, 4}, {"PORT", 1, 1, 8}, {"", 0, 0, 0},
};

// PI is one float step below the float nearest to pi, as the controller has it.
const ConstantDescriptor g_Constants[kConstantRows + 1] = {
    {"OFF", 0.0f}, {"FALSE", 0.0f}, {"TRUE", -1.0f}, {"PI", std::bit_cast<float>(0x40490FDAu)}, {"", 0.0f},
};

namespace {

struct IndexEntry {
    std::string_view alias;
    NameMatch match;
};

// Every alias of the four tables in ascending byte order. The sort is stable
// over the tables in order, so of two equal names the first row comes first.
const std::vector<IndexEntry>& NameIndex()
{
    static const std::vector<IndexEntry> index = [] {
        std::vector<IndexEntry> entries;
        auto addAliases = [&](const char* name, NameKind kind, int row) {
            std::string_view all(name);
            while (!all.empty()) {
                size_t bar = all.find('|');
                entries.push_back({all.substr(0, bar), {kind, row}});
                if (bar == std::string_view::npos)
                    break;
                all.remove_prefix(bar + 1);
            }
        };
        for (int row = 0; g_Keywords[row].name[0] != '\0'; ++row)
            addAliases(g_Keywords[row].name, NameKind::Keyword, row);
        for (int row = 0; g_Parameters[row].name[0] != '\0'; ++row)
            addAliases(g_Parameters[row].name, NameKind::Parameter, row);
        for (int row = 0; g_Modifiers[row].name[0] != '\0'; ++row)
            addAliases(g_Modifiers[row].name, NameKind::Modifier, row);
        for (int row = 0; g_Constants[row].name[0] != '\0'; ++row)
            addAliases(g_Constants[row].name, NameKind::Constant, row);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const IndexEntry& a, const IndexEntry& b) { return a.alias < b.alias; });
        return entries;
    }();
    return index;
}

int FindOfKind(std::string_view word, NameKind kind)
{
    const std::vector<IndexEntry>& index = NameIndex();
    auto it = std::lower_bound(index.begin(), index.end(), word,
                               [](const IndexEntry& entry, std::string_view w) { return entry.alias < w; });
    for (; it != index.end() && it->alias == word; ++it) {
        if (it->match.kind == kind)
            return it->match.row;
    }
    return -1;
}

SpecialKeywords WalkKeywordTable()
{
    SpecialKeywords special{-1, -1, -1, -1, -1, -1};
    for (int row = 0; g_Keywords[row].name[0] != '\0'; ++row) {
        const TokenDescriptor& k = g_Keywords[row];
        char shortForm = k.ShortForm();
        if (shortForm == '?')
            special.print = row;
        else if (shortForm == '@')
            special.appendProgram = row;
        else if (shortForm == '&')
            special.editProgram = row;
        if (k.classCode == kClassIf)
            special.ifRow = row;
        else if (k.classCode == kClassElse)
            special.elseRow = row;
        else if (k.classCode == kClassElseIf)
            special.elseIfRow = row;
    }
    return special;
}

SpecialKeywords g_SpecialKeywords = WalkKeywordTable();

// The special token codes the listing names, in listing order.
struct SpecialCode {
    int code;
    const char* name;
};
constexpr SpecialCode kListedSpecialCodes[] = {
    {kTokEox, "EOX"},
    {kTokOpenBracket, "OPENBRACKETS"},
    {kTokCloseBracket, "CLOSEBRACKETS"},
    {kTokComma, "COMMA"},
    {kTokNumber, "NUMBER"},
    {kTokName, "NAMEDVARIABLE"},
    {kTokParameter, "SYSTEMVARIABLE"},
    {kTokModifier, "MODIFIER"},
    {kTokConstant, "CONSTANT"},
    {kTokAssign, "ASSIGN"},
    {kTokZero, "ZERO"},
    {kTokQuotes, "QUOTES"},
    {kTokHash, "HASH"},
};

} // namespace

std::string ListedName(const char* name)
{
    std::string_view all(name);
    return std::string(all.substr(0, std::min(all.find('|'), size_t{16})));
}

bool LookUpName(std::string_view word, NameMatch& match)
{
    const std::vector<IndexEntry>& index = NameIndex();
    auto it = std::lower_bound(index.begin(), index.end(), word,
                               [](const IndexEntry& entry, std::string_view w) { return entry.alias < w; });
    if (word.empty() || it == index.end() || it->alias != word)
        return false;
    match = it->match;
    return true;
}

int FindKeyword(std::string_view word)
{
    return FindOfKind(word, NameKind::Keyword);
}

int FindParameter(std::string_view word)
{
    return FindOfKind(word, NameKind::Parameter);
}

int FindModifier(std::string_view word)
{
    return FindOfKind(word, NameKind::Modifier);
}

int FindConstant(std::string_view word)
{
    return FindOfKind(word, NameKind::Constant);
}

void FindSpecialKeywords()
{
    g_SpecialKeywords = WalkKeywordTable();
}

const SpecialKeywords& GetSpecialKeywords()
{
    return g_SpecialKeywords;
}

void PrintTokenTable(int process)
{
    PrintFormatted(process, "[TOKENTABLE]%c", kEndOfLineCr);
    for (int row = 0; g_Keywords[row].name[0] != '\0'; ++row) {
        const TokenDescriptor& k = g_Keywords[row];
        std::string letters;
        for (int bit = 0; bit < 5; ++bit) {
            if (k.flags & (1u << bit))
                letters += "cofbr"[bit];
        }
        PrintFormatted(process, "C%i%s,%i,%i,%i,%i,%i,%i<%se>%c", row, ListedName(k.name), k.minQuoted, k.maxQuoted,
                       k.minArguments, k.maxArguments, k.modifierMask, k.classCode, letters, kEndOfLineCr);
    }
    for (const SpecialCode& special : kListedSpecialCodes)
        PrintFormatted(process, "S%i%r%c", special.code, PoolAdd(special.name), kEndOfLineCr);
    for (int row = 0; g_Parameters[row].name[0] != '\0'; ++row) {
        const ParameterDescriptor& p = g_Parameters[row];
        PrintFormatted(process, "V%i%s,%i<%s%se>%c", row, ListedName(p.name), p.modifiers, p.Writable() ? "w" : "",
                       p.Reserved() ? "d" : "", kEndOfLineCr);
    }
    for (int row = 0; g_Modifiers[row].name[0] != '\0'; ++row) {
        const ModifierDescriptor& m = g_Modifiers[row];
        PrintFormatted(process, "M%i%s,%i,%i,%i%c", row, m.name, m.minArguments, m.maxArguments, m.bit, kEndOfLineCr);
    }
    for (int row = 0; g_Constants[row].name[0] != '\0'; ++row)
        PrintFormatted(process, "T%i%s,%f%c", row, g_Constants[row].name, g_Constants[row].value, kEndOfLineCr);
    PrintFormatted(process, "[EOT]%c", kEndOfLineCr);
}

void ListTokenTable(const uint8_t* text, int& position, int limit, int process)
{
    // The handler reads its own operands: the token and an empty bracket
    // pair, if the line has one.
    ++position;
    if (position + 1 < limit && text[position] == kTokOpenBracket && text[position + 1] == kTokCloseBracket)
        position += 2;
    PrintTokenTable(process);
}

void KeywordNoOperation(const uint8_t*, int& position, int, int)
{
    // Steps over its own token so that the statement loop moves on.
    ++position;
}

} // namespace qcrt
