#include "hostapp/scene/input.h"

#include <atomic>

namespace hostapp {

namespace {

std::atomic<int32_t> g_qualifiers{0};
std::atomic<bool> g_input_fails{false};
std::atomic<int64_t> g_events{0};

}  // namespace

void SetQualifiers(int32_t qualifiers) { g_qualifiers = qualifiers; }

int32_t Qualifiers() { return g_qualifiers; }

void SetInputStateFails(bool fails) { g_input_fails = fails; }

bool QueryInputState(int32_t device, int32_t channel, Container* res) {
  if (!res || g_input_fails || device != kInputKeyboard || channel != kInputQualifiers) return false;
  res->SetInt32(kInputQualifierKey, g_qualifiers);
  return true;
}

void AddEvent() { ++g_events; }

int64_t EventCount() { return g_events; }

}  // namespace hostapp
