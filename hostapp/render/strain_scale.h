// The colour scale of edge strain, shared by every picture the host writes and by the viewer
// page, so that a colour means the same strain wherever it is seen.
//
// A face's strain is the mean over its edges of |l - l0| / l0, where l is the edge's length in
// the deformed mesh and l0 its length in the rest mesh (edges of zero rest length are left out;
// a face with none has strain 0). The scale is linear from 0 to kStrainScaleMax; a strain at or
// above kStrainScaleMax takes the last colour. Between two stops the colour is interpolated
// linearly in each channel.
#ifndef HOSTAPP_RENDER_STRAIN_SCALE_H
#define HOSTAPP_RENDER_STRAIN_SCALE_H

#include <cstdint>

namespace hostapp {

struct StrainStop {
  double at;  // a strain, 0 .. kStrainScaleMax, increasing from stop to stop
  uint8_t r, g, b;
};

constexpr double kStrainScaleMax = 0.5;

constexpr StrainStop kStrainStops[] = {
    {0.00, 70, 110, 170},  // unstretched: calm blue
    {0.05, 90, 170, 160},  // 5 %: teal
    {0.15, 230, 210, 90},  // 15 %: yellow
    {0.30, 235, 130, 50},  // 30 %: orange
    {0.50, 200, 40, 40},   // 50 % and more: red
};

constexpr int kStrainStopCount = static_cast<int>(sizeof(kStrainStops) / sizeof(kStrainStops[0]));

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_STRAIN_SCALE_H
