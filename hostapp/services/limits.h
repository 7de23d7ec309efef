// The host application's documented limits: what one value, mesh, file or run may hold.
// Each is far above what real work needs, and each is checked where the value comes in
// (command-line options, scene files, mesh files), so that a hostile or mistaken number is
// refused at once with a message instead of running for hours or exhausting memory.
#ifndef HOSTAPP_SERVICES_LIMITS_H
#define HOSTAPP_SERVICES_LIMITS_H

#include <cstdint>

namespace hostapp {

// Smoothing iterations of a bind tag (the tag's description declares the same maximum).
constexpr int32_t kMaxIterations = 10000;

// Frames that one command evaluates (run, deform, demo).
constexpr int64_t kMaxFramesPerRun = 100000;

// Points and polygons of one mesh read from a file.
constexpr int64_t kMaxMeshPoints = 20000000;
constexpr int64_t kMaxMeshPolygons = 40000000;

// Size of any input file (meshes, weights, scene files, glTF files): under 2 GiB.
constexpr uint64_t kMaxInputFileBytes = (uint64_t{2} << 30) - 1;

// Length of one line of a text file (an OBJ face of thousands of corners stays far below).
constexpr uint64_t kMaxTextLineBytes = uint64_t{1} << 20;

}  // namespace hostapp

#endif  // HOSTAPP_SERVICES_LIMITS_H
