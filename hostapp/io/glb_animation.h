// Baking an animation of polygon meshes into one glTF 2.0 binary file (.glb) that viewers and
// DCC applications play back without any plug-in:
//   - one node per mesh, named after it, with one mesh of one triangle primitive (uint32
//     indices, a quad split into two triangles, POSITION only);
//   - the rest points as the base positions and one morph target per frame, holding the
//     frame's points minus the rest points;
//   - one animation with one channel per node on "weights", STEP interpolation at the times
//     frame / fps, each key switching on its own frame's target only.
// mesh.extras.targetNames names the targets "frame_NNNN" by frame number; mesh.extras.tavren.sides
// has one character per source polygon, '3' or '4' (a quad's fourth corner is the corner of
// its second triangle that is not in its first), so that data per polygon maps back to the
// triangles; asset.extras.tavren holds { kind, fps, frames }.
//
// Points are taken in the host's axes and units (left-handed, centimetres) and stored in
// glTF's: (x, y, z) becomes (x / 100, y / 100, -z / 100) metres, and every triangle's corners
// are reversed so that its front stays its front in the mirrored axes.
#ifndef HOSTAPP_IO_GLB_ANIMATION_H
#define HOSTAPP_IO_GLB_ANIMATION_H

#include <cstdint>
#include <string>
#include <vector>

#include "hostapp/io/mesh.h"

namespace hostapp {

class GlbAnimationWriter {
 public:
  // in: kind, the animation's name ("skin only", "corrected"); fps > 0, frames per second.
  GlbAnimationWriter(std::string kind, double fps);

  // Adds a mesh; all meshes must be added before the first frame.
  // in: name, rest (the base shape; polygons of triangles (c == d) and quads). out: false with
  // *error naming the mesh when it has no polygon, a corner index is out of range, or a
  // point is not finite.
  bool AddMesh(const std::string& name, const Mesh& rest, std::string* error);

  // Adds a frame; frames must come in increasing order, from frame 0 or later.
  // in: frame, points (one list per mesh in the order added, each as long as its rest
  // points). out: false with *error naming the frame (and mesh) when the order, a count or a
  // point is wrong; the writer is unchanged then.
  bool AddFrame(int32_t frame, const std::vector<std::vector<C4D_Vector>>& points, std::string* error);

  // in: frames, a number of frames of the meshes added. out: true when a file of that many
  // frames stays below the size that readers accept (2 GiB); otherwise false with *error
  // giving the size it would have.
  bool Fits(size_t frames, std::string* error) const;

  // Writes the file atomically (a temporary file beside it, renamed when complete).
  // in: path. out: false with *error (naming the path) when there is no mesh or frame, the
  // file would be too large, or it cannot be written; nothing is left behind then.
  bool Write(const std::string& path, std::string* error) const;

  size_t frame_count() const { return frames_.size(); }

 private:
  struct MeshData {
    std::string name;
    std::vector<float> rest;           // x, y, z per point, glTF axes
    std::vector<uint32_t> indices;     // three per triangle, glTF winding
    std::string sides;                 // '3' or '4' per source polygon
    std::vector<float> displacements;  // x, y, z per point per frame
    std::vector<float> bounds;         // min x, y, z, max x, y, z per frame
  };
  std::string kind_;
  double fps_;
  std::vector<MeshData> meshes_;
  std::vector<int32_t> frames_;
};

}  // namespace hostapp

#endif  // HOSTAPP_IO_GLB_ANIMATION_H
