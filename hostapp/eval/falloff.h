// The host's falloff component (library 1019541): a weight per global position, shaped as
// infinite (everywhere), a sphere, a box or a linear ramp, placed by the owning object's global
// matrix. Its settings live in the owner's container under the ids below.
#ifndef HOSTAPP_EVAL_FALLOFF_H
#define HOSTAPP_EVAL_FALLOFF_H

#include <cstdint>

#include "host/abi/c4d_abi.h"

struct C4D_FalloffHandle {};

namespace hostapp {

class Container;

// Container ids of the falloff's settings.
enum FalloffId : int32_t {
  kFalloffMode = 5105,      // Int32: C4D_FALLOFF_INFINITE (default), _SPHERE, _BOX, _LINEAR
  kFalloffSize = 5106,      // Vector: sphere radius (x), box half extents, linear length (z); default 100
  kFalloffStrength = 5107,  // Float: weight at full effect; default 1
  kFalloffInner = 5108,     // Float 0..1: share of the size with full weight; default 0
};

struct FalloffSettings {
  int32_t mode = C4D_FALLOFF_INFINITE;
  C4D_Vector size{100.0, 100.0, 100.0};
  double strength = 1.0;
  double inner = 0.0;

  static FalloffSettings From(const Container* bc);
  bool operator==(const FalloffSettings& o) const;
};

class Falloff : public C4D_FalloffHandle {
 public:
  FalloffSettings settings;
  C4D_Matrix mg{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};  // placement (owner's global matrix)
  C4D_Matrix inverse{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  int32_t description_mode = C4D_FALLOFF_INFINITE;
  // Dirty tracking: the settings last seen by Dirty() and the count it reports.
  FalloffSettings seen;
  int32_t dirty = 0;

  // in: a global position. out: the weight there, 0..strength.
  double Sample(const C4D_Vector& p) const;
};

const C4D_FalloffTable* FalloffTable();

}  // namespace hostapp

#endif
