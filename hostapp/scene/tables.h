// The scene module's function tables, as handed to plug-ins in C4D_HostTables. Each
// returns a pointer to a static table that lives for the whole program.
#ifndef HOSTAPP_SCENE_TABLES_H
#define HOSTAPP_SCENE_TABLES_H

#include "host/abi/c4d_abi.h"

namespace hostapp {

const C4D_ParameterTable* ParameterTable();
const C4D_SceneTable* SceneTable();
const C4D_GeometryTable* GeometryTable();
const C4D_DocumentTable* DocumentTable();
const C4D_FileTable* FileTable();
const C4D_RegistryTable* RegistryTable();

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_TABLES_H
