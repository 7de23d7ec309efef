// General host services for plug-in code: the function tables received from the host.
#ifndef C4D_GENERAL_H
#define C4D_GENERAL_H

#include "c4d_abi.h"

// The tables handed over in c4d_main action 1. Every call of the host layer goes through
// them; nothing here works before AttachHostTables succeeded.
const C4D_HostTables* C4DOS();

// Keeps the host's tables for all later calls. false (and nothing kept) when the block is
// missing, older than API 15000, or lacks a service table.
bool AttachHostTables(const C4D_HostTables* tables);
void DetachHostTables();

#endif
