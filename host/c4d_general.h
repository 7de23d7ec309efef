// General host services for plug-in code: the function tables received from the host.
#ifndef C4D_GENERAL_H
#define C4D_GENERAL_H

#include "c4d_abi.h"

// The tables handed over in c4d_main action 1. Every call of the host layer goes through
// them; nothing here works before AttachHostTables succeeded.
const C4D_HostTables* C4DOS();

// Keeps the host's tables for all later calls. block: what c4d_main action 1 received. false
// (and nothing kept) when the block is missing, older than API 15000, comes from another host
// (checked before any other field is read), or lacks a service table or has one smaller than
// this layer reads.
bool AttachHostTables(const void* block);
void DetachHostTables();

// Actions and answers of c4d_main.
enum : int32_t {
  C4DPL_INIT_SYS = C4D_PL_INIT_SYS,
  C4DPL_START = C4D_PL_START,
  C4DPL_END = C4D_PL_END,
  C4DPL_INIT_VERSION = C4D_PL_INIT_VERSION,
  C4DPL_MESSAGE = C4D_PL_MESSAGE,
  C4DPL_OK = C4D_PL_OK,
  C4DPL_FAILED = C4D_PL_FAILED,
  C4DPL_UNHANDLED = C4D_PL_UNHANDLED,
  C4DPL_ERROR_VERSION = C4D_PL_ERROR_VERSION,
};

#endif
