// The colour of a strain on the shared strain scale (strain_scale.h).
#ifndef HOSTAPP_RENDER_STRAIN_COLOR_H
#define HOSTAPP_RENDER_STRAIN_COLOR_H

#include <cmath>
#include <cstdint>

#include "hostapp/render/image.h"
#include "hostapp/render/strain_scale.h"

namespace hostapp {

// in: strain (a share: 0.1 is 10 %). out: its colour; below 0 or NaN takes the first stop's,
// at or above kStrainScaleMax the last stop's.
inline Rgb8 StrainColor(double strain) {
  const StrainStop& first = kStrainStops[0];
  if (!(strain > first.at)) return Rgb8{first.r, first.g, first.b};
  for (int i = 1; i < kStrainStopCount; ++i) {
    const StrainStop& a = kStrainStops[i - 1];
    const StrainStop& b = kStrainStops[i];
    if (strain < b.at) {
      const double t = (strain - a.at) / (b.at - a.at);
      auto mix = [t](uint8_t u, uint8_t v) { return static_cast<uint8_t>(std::lround(u + t * (v - u))); };
      return Rgb8{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
    }
  }
  const StrainStop& last = kStrainStops[kStrainStopCount - 1];
  return Rgb8{last.r, last.g, last.b};
}

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_STRAIN_COLOR_H
