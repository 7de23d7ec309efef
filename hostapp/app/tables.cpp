#include "hostapp/app/tables.h"

#include "hostapp/eval/draw.h"
#include "hostapp/eval/falloff.h"
#include "hostapp/scene/tables.h"
#include "hostapp/services/memory.h"
#include "hostapp/services/neighbor.h"
#include "hostapp/services/strings.h"
#include "hostapp/services/threads.h"

namespace hostapp {

const C4D_HostTables* HostTables() {
  static const C4D_HostTables tables = {
      C4D_API_VERSION,
      C4D_HOST_ID,
      static_cast<int32_t>(sizeof(C4D_HostTables)),
      memoryTable(),
      threadTable(),
      neighborTable(),
      stringTable(),
      ParameterTable(),
      SceneTable(),
      GeometryTable(),
      DocumentTable(),
      FileTable(),
      RegistryTable(),
      FalloffTable(),
      DrawTable(),
  };
  return &tables;
}

}  // namespace hostapp
