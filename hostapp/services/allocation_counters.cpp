#include "hostapp/services/allocation_counters.h"

#include <algorithm>
#include <unordered_map>

namespace hostapp::detail {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

struct SlotTable {
  std::mutex mutex;
  std::vector<std::string> names;  // by slot
  std::unordered_map<std::string, int> byName;
};

struct Registry {
  std::mutex mutex;
  ThreadCounters* first = nullptr;
};

// Both are never destroyed: worker threads may allocate while the process exits.
SlotTable& Slots() {
  static SlotTable* t = [] {
    auto* s = new SlotTable;
    s->names.reserve(kMaxFileSlots);
    s->names.push_back("(unknown file)");
    return s;
  }();
  return *t;
}

Registry& Counters() {
  static Registry* r = new Registry;
  return *r;
}

}  // namespace

int FileSlotOf(const char* file) {
  if (!file) return kUnknownFileSlot;
  SlotTable& t = Slots();
  std::lock_guard<std::mutex> lock(t.mutex);
  try {
    std::string name(file);
    auto it = t.byName.find(name);
    if (it != t.byName.end()) return it->second;
    const int slot = static_cast<int>(t.names.size());
    if (slot >= kOverflowFileSlot) return kOverflowFileSlot;
    t.names.push_back(name);
    t.byName.emplace(std::move(name), slot);
    return slot;
  } catch (...) {  // out of memory while naming: count it under the unknown file
    return kUnknownFileSlot;
  }
}

void RegisterCounters(ThreadCounters* c) {
  Registry& r = Counters();
  std::lock_guard<std::mutex> lock(r.mutex);
  c->prev = nullptr;
  c->next = r.first;
  if (r.first) r.first->prev = c;
  r.first = c;
}

void RetireCounters(ThreadCounters* c, ThreadCounters* into, std::mutex& intoMutex) {
  Registry& r = Counters();
  std::lock_guard<std::mutex> lock(r.mutex);
  {
    std::lock_guard<std::mutex> lockInto(intoMutex);
    for (int s = 0; s < kMaxFileSlots; ++s) {
      Bump(into->blocks[s], c->blocks[s].load(kRelaxed));
      Bump(into->bytes[s], c->bytes[s].load(kRelaxed));
    }
    Bump(into->calls, c->calls.load(kRelaxed));
  }
  if (c->prev) c->prev->next = c->next; else r.first = c->next;
  if (c->next) c->next->prev = c->prev;
}

std::vector<FileTotals> SumByFile() {
  std::vector<int64_t> blocks(kMaxFileSlots, 0), bytes(kMaxFileSlots, 0);
  {
    Registry& r = Counters();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (ThreadCounters* c = r.first; c; c = c->next) {
      for (int s = 0; s < kMaxFileSlots; ++s) {
        blocks[s] += c->blocks[s].load(kRelaxed);
        bytes[s] += c->bytes[s].load(kRelaxed);
      }
    }
  }
  std::vector<FileTotals> out;
  SlotTable& t = Slots();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (int s = 0; s < kMaxFileSlots; ++s) {
    if (blocks[s] == 0 && bytes[s] == 0) continue;
    FileTotals e;
    if (s < static_cast<int>(t.names.size())) e.file = t.names[s];
    else e.file = s == kOverflowFileSlot ? "(other files)" : "(unnamed)";
    e.blocks = blocks[s];
    e.bytes = bytes[s];
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(),
            [](const FileTotals& a, const FileTotals& b) { return a.file < b.file; });
  return out;
}

void SumTotals(int64_t* blocks, int64_t* bytes, int64_t* calls) {
  int64_t bl = 0, by = 0, ca = 0;
  Registry& r = Counters();
  std::lock_guard<std::mutex> lock(r.mutex);
  for (ThreadCounters* c = r.first; c; c = c->next) {
    for (int s = 0; s < kMaxFileSlots; ++s) {
      bl += c->blocks[s].load(kRelaxed);
      by += c->bytes[s].load(kRelaxed);
    }
    ca += c->calls.load(kRelaxed);
  }
  if (blocks) *blocks = bl;
  if (bytes) *bytes = by;
  if (calls) *calls = ca;
}

}  // namespace hostapp::detail
