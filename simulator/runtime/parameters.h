// Parameter access: reading and assigning SPEED, UNITS, MPOS, SERVO_PERIOD,
// CONTROL and the other rows of the parameter table.
//
// Each parameter is kept in one place: a word of the statement's axis record
// (the axis an AXIS modifier chose, else the process's base axis), a field of
// a process record (PROC modifier), a value per slot (SLOT) or per port
// (PORT), a system word of its own, or nowhere (its kind gives the value).
// The row's value kind alone decides the conversion between the stored word
// and the value in user units (UNITS scales counts) in both directions, and
// the range a written value must keep (error 19 otherwise).
#pragma once

#include <cstdint>

namespace qcrt {

float ReadParameter(int row, int process);
// Returns the stored value as the write converts it back.
float WriteParameter(int row, float value, int process);

// Installs ReadParameter as the evaluator's parameter reader.
void InstallParameterAccess();

// Power-up state of the system words that only parameters use.
void ResetParameterValues();

// The word a parameter is kept in for the process's current statement (the
// axis its AXIS modifier chose, its SLOT or PORT), as SCOPE samples it; null
// for a row kept in no word of its own.
const uint32_t* ParameterStorage(int row, int process);

// The system word of a parameter kept in one (FRAME, MOTION_ERROR,
// ERROR_AXIS ...), by its row; null for any other row.
int32_t* SystemParameterWord(int row);

} // namespace qcrt
