#include "c4d_general.h"

namespace {
const C4D_HostTables* g_tables = nullptr;
}

const C4D_HostTables* C4DOS() { return g_tables; }

bool AttachHostTables(const C4D_HostTables* tables) {
  if (tables == nullptr || tables->api_version < C4D_API_VERSION ||
      tables->size < static_cast<int32_t>(sizeof(C4D_HostTables)))
    return false;
  if (!tables->memory || !tables->threads || !tables->neighbor || !tables->strings ||
      !tables->params || !tables->scene || !tables->geometry || !tables->document ||
      !tables->files || !tables->registry || !tables->falloff || !tables->draw)
    return false;
  g_tables = tables;
  return true;
}

void DetachHostTables() { g_tables = nullptr; }
