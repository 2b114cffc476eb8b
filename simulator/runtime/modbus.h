// The MODBUS slave on the ports: RTU framing with its CRC on ports of
// protocol types 5 and 7, TCP framing with the MBAP header on types 8 and 9.
//
// The registers are the VR variables, or the TABLE values when the port's
// register space flag (SETCOM's last argument) is not 0; types 5 and 8 serve
// each value as one 16-bit integer register, types 7 and 9 each value as a
// 32-bit float in two registers, the lower 16 bits of its bit pattern first.
// The bits are the digital I/O: coils (functions 1 and 5) the outputs,
// discrete inputs (function 2) the inputs. The RTU node address is the
// ADDRESS parameter.
//
// The port's receive service collects a request from its receive ring; the
// transmit service executes it and puts the answer into its transmit ring as
// room allows. A request with a function code not served gets no answer, an
// RTU request for another node or with a bad CRC is dropped, and a request
// left unfinished for 30 receive calls is dropped. A request whose count does
// not fit a frame, or that reaches past the register space or the I/O, is
// answered with an exception (codes 3 and 2) and nothing of it is stored. An
// error of a store (a TABLE value in the program area) goes to the process
// whose turn it is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qcrt {

constexpr int kModbusIdleCalls = 30;

// Power-up state: no request in progress on any port.
void ResetModbus();
// Installs the slave as the channel layer's MODBUS service.
void InstallModbus();

void ModbusRtuReceive(int port);
void ModbusRtuTransmit(int channel);
void ModbusTcpReceive(int port);
void ModbusTcpTransmit(int channel);

// The MODBUS CRC (0xA001, from 0xFFFF) of a block of bytes.
uint16_t ModbusCrc(const uint8_t* bytes, size_t count);

} // namespace qcrt
