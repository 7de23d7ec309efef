// The host's function tables, assembled into the block that plug-ins receive in c4d_main
// action 1.
#ifndef HOSTAPP_APP_TABLES_H
#define HOSTAPP_APP_TABLES_H

#include "host/abi/c4d_abi.h"

namespace hostapp {

// The block of every service table; lives for the whole program.
const C4D_HostTables* HostTables();

}  // namespace hostapp

#endif
