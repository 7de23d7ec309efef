#include "c4d_general.h"

#include <cstddef>
#include <cstring>

static_assert(offsetof(C4D_HostTables, api_version) == 0 && offsetof(C4D_HostTables, host_id) == 4,
              "every host's block starts with the API version; this host's identifier follows it");

namespace {
const C4D_HostTables* g_tables = nullptr;
}

const C4D_HostTables* C4DOS() { return g_tables; }

namespace {

// true when table is present and at least as large as the layout this layer reads.
template <typename Table>
bool Fits(const Table* table) {
  return table != nullptr && table->size >= static_cast<int32_t>(sizeof(Table));
}

}  // namespace

bool AttachHostTables(const void* block) {
  if (block == nullptr) return false;
  // Only the leading version and identifier are common to every host's block.
  struct Leading {
    int32_t api_version;
    uint32_t host_id;
  } lead;
  std::memcpy(&lead, block, sizeof lead);
  if (lead.api_version < C4D_API_VERSION || lead.host_id != C4D_HOST_ID) return false;
  const C4D_HostTables* tables = static_cast<const C4D_HostTables*>(block);
  if (tables->size < static_cast<int32_t>(sizeof(C4D_HostTables))) return false;
  if (!Fits(tables->memory) || !Fits(tables->threads) || !Fits(tables->neighbor) || !Fits(tables->strings) ||
      !Fits(tables->params) || !Fits(tables->scene) || !Fits(tables->geometry) || !Fits(tables->document) ||
      !Fits(tables->files) || !Fits(tables->registry) || !Fits(tables->falloff) || !Fits(tables->draw))
    return false;
  g_tables = tables;
  return true;
}

void DetachHostTables() { g_tables = nullptr; }
