// The user's input as the host reports it to plug-ins: the keyboard qualifiers held when
// a command runs (set by tests and the command line), and the count of redraw requests.
#ifndef HOSTAPP_SCENE_INPUT_H
#define HOSTAPP_SCENE_INPUT_H

#include <cstdint>

#include "hostapp/scene/container.h"

namespace hostapp {

// Device and channel of the keyboard qualifier query, and the key of its answer.
constexpr int32_t kInputKeyboard = 0x6B657962;    // 'keyb'
constexpr int32_t kInputQualifiers = 0x69706361;  // 'ipca'
constexpr int32_t kInputQualifierKey = 0x69707161; // 'ipqa'

// in: qualifiers, C4D_QUALIFIER_* bits held from now on (0: none).
void SetQualifiers(int32_t qualifiers);
int32_t Qualifiers();
// Test switch: while on, every input-state query fails.
void SetInputStateFails(bool fails);

// in: device, channel, res. out: true and res[kInputQualifierKey] = the qualifiers for the
// keyboard qualifier query; false for any other query, a null res or while failing.
bool QueryInputState(int32_t device, int32_t channel, Container* res);

// Redraw requests (event add): counted, for tests and the command line.
void AddEvent();
int64_t EventCount();

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_INPUT_H
