// The fieldbus and serial-communication keywords (CAN, PROFIBUS, SETCOM,
// SEND, READPACKET, COORDINATOR_DATA, PWM_CONTROL, DEVICENET, DLINK) and the
// axis-side keywords of encoders, steppers, registration and position
// switches. The simulator has no fieldbus, no PWM output and no encoder
// interface: these keywords check their arguments and model what has an
// effect inside the runtime.
#pragma once

#include <cstdint>

namespace qcrt {

// Power-up state: CAN settings -1, no CAN message pending, the fieldbus
// memory 0, no disable groups.
void ResetCommsKeywords();

// The fieldbus interface memory: 4 blocks of 2048 cells.
constexpr int kFieldbusBlocks = 4;
constexpr int kFieldbusCells = 2048;
int32_t FieldbusCell(int block, int cell);

// The registration control word of an axis, as REGIST sets it.
int32_t RegistrationControl(int axis);

// Keyword handlers.
void KeywordCan(const uint8_t* text, int& position, int limit, int process);
void KeywordProfibus(const uint8_t* text, int& position, int limit, int process);
void KeywordSetcom(const uint8_t* text, int& position, int limit, int process);
void KeywordSend(const uint8_t* text, int& position, int limit, int process);
void KeywordReadPacket(const uint8_t* text, int& position, int limit, int process);
void Coordinator(const uint8_t* text, int& position, int limit, int process);
void KeywordPwmControl(const uint8_t* text, int& position, int limit, int process);
void KeywordIgnoredBus(const uint8_t* text, int& position, int limit, int process); // DEVICENET, DLINK
void KeywordRegist(const uint8_t* text, int& position, int limit, int process);
void KeywordPswitch(const uint8_t* text, int& position, int limit, int process);
void KeywordHwPswitch(const uint8_t* text, int& position, int limit, int process);
void EncoderRatio(const uint8_t* text, int& position, int limit, int process);
void KeywordStepRatio(const uint8_t* text, int& position, int limit, int process);
void EncoderRead(const uint8_t* text, int& position, int limit, int process);
void EncoderWrite(const uint8_t* text, int& position, int limit, int process);
void DisableGroup(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
