// The stored list of configured links and the ordered subkeys of "\Comms",
// in the settings tree of the development environment (HKEY_CURRENT_USER,
// Software\VexoLabs\Vorta2). Link n is the key "\CommLinks\Link%02d"; its
// text value "Type" ("Serial", "USB", "QCSim", "Ethernet", "PCI" or "FINS",
// compared without regard to case, "Serial" when missing) decides which
// further values it holds. The general comms values ("Packet",
// "MessageTimeout", ...) are CVQRegistry's (settings/vqregistry.h).
#pragma once

#include "framework/collections.h"
#include "link/commportdata.h"

// The number of links stored: Link00, Link01, ... up to the first that is
// missing (a gap ends the list).
int GetCommLinkCount();

// Fills record from "Link%02d"(n) over the defaults of its type: serial
// "COM1" 9600,7,e,2, Ethernet "192.168.0.250" port 23 (also when "IP_Port"
// is missing), USB, PCI and simulator 0, FINS empty. A value is taken only
// when it is present and acceptable: "BaudRate" not 0, "DataBits" 7 or 8,
// "CommPort" of at most 6 characters, "Config" of at most 4096, "Address"
// not empty (a longer Ethernet address is cut to 48 characters). "Active"
// and, for PCI and FINS, "Order" are read when present. The record's name
// is left as it is. 1 on success; 0 when the key is missing or "Type"
// holds another text (the record is then unchanged).
int GetCommLink(int n, CCommPortData& record);

// Writes the record's type as "Link%02d"(n): "Type" and the type's values,
// "Order" for PCI and FINS, then "Active". 1 on success; 0 when the type is
// not 1 to 6 (nothing is written) or the key cannot be created or written.
int SetCommLink(int n, const CCommPortData& record);

// Deletes "Link%02d"(n).
void DeleteCommLink(int n);

// The names of the subkeys of "\Comms" sorted by their DWORD "Order" (0
// when missing), names of equal order in text order (case counts).
void GetCommsByOrder(CStringList& names);
