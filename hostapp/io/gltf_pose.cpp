#include <algorithm>
#include <vector>

#include "hostapp/io/gltf.h"
#include "hostapp/io/gltf_transform.h"

namespace hostapp {

namespace {

using io_detail::Quaternion;

// in: a channel and a time.  out: the key k and fraction u so that the value is key k
//     blended a fraction u towards key k + 1 (u = 0 at and outside the ends, and for STEP).
void FindKey(const GltfChannel& ch, double time, size_t* k, double* u) {
  const std::vector<double>& t = ch.times;
  *u = 0;
  if (!(time > t.front())) {  // also catches a NaN time
    *k = 0;
    return;
  }
  if (time >= t.back()) {
    *k = t.size() - 1;
    return;
  }
  // t[k] <= time < t[k + 1]
  *k = static_cast<size_t>(std::upper_bound(t.begin(), t.end(), time) - t.begin()) - 1;
  const double span = t[*k + 1] - t[*k];
  if (ch.interpolation != GltfInterpolation::kStep && span > 0) *u = (time - t[*k]) / span;
}

// Local TRS of one node while animated, starting from its rest values.
struct Trs {
  C4D_Vector t, s;
  Quaternion r;
};

// in: a channel, a time.  out: the sampled property written into *trs.
void SampleChannel(const GltfChannel& ch, double time, Trs* trs) {
  size_t k;
  double u;
  FindKey(ch, time, &k, &u);
  if (ch.path == GltfPath::kRotation) {
    const double* a = &ch.values[4 * k];
    Quaternion qa = io_detail::NormalizeQuaternion({a[0], a[1], a[2], a[3]});
    if (u > 0) {
      const double* b = &ch.values[4 * (k + 1)];
      qa = io_detail::SlerpQuaternions(qa, io_detail::NormalizeQuaternion({b[0], b[1], b[2], b[3]}), u);
    }
    trs->r = qa;
    return;
  }
  const double* a = &ch.values[3 * k];
  C4D_Vector v{a[0], a[1], a[2]};
  if (u > 0) {
    const double* b = &ch.values[3 * (k + 1)];
    v = {a[0] + (b[0] - a[0]) * u, a[1] + (b[1] - a[1]) * u, a[2] + (b[2] - a[2]) * u};
  }
  (ch.path == GltfPath::kTranslation ? trs->t : trs->s) = v;
}

}  // namespace

void EvaluateNodeGlobals(const GltfScene& scene, int32_t animation, double time, std::vector<C4D_Matrix>* globals) {
  const size_t n = scene.nodes.size();
  std::vector<C4D_Matrix> local(n);
  for (size_t i = 0; i < n; ++i) local[i] = scene.nodes[i].rest;
  if (animation >= 0 && static_cast<size_t>(animation) < scene.animations.size()) {
    const GltfAnimation& anim = scene.animations[animation];
    std::vector<Trs> trs(n);
    std::vector<bool> animated(n, false);
    for (const GltfChannel& ch : anim.channels) {
      const GltfNode& node = scene.nodes[ch.node];
      if (!animated[ch.node]) {
        trs[ch.node] = Trs{node.translation, node.scale,
                           Quaternion{node.rotation[0], node.rotation[1], node.rotation[2], node.rotation[3]}};
        animated[ch.node] = true;
      }
      SampleChannel(ch, time, &trs[ch.node]);
    }
    for (size_t i = 0; i < n; ++i) {
      if (animated[i]) local[i] = io_detail::MatrixFromTrs(trs[i].t, trs[i].r, trs[i].s);
    }
  }
  globals->resize(n);
  for (int32_t i : scene.node_order) {
    const int32_t parent = scene.nodes[i].parent;
    (*globals)[i] = parent < 0 ? local[i] : io_detail::MultiplyMatrices((*globals)[parent], local[i]);
  }
}

void EvaluateNodeGlobals(const GltfScene& scene, double time, std::vector<C4D_Matrix>* globals) {
  EvaluateNodeGlobals(scene, scene.animations.empty() ? -1 : 0, time, globals);
}

void SkinMeshPoints(const GltfScene& scene, const GltfSkinnedMesh& mesh, const std::vector<C4D_Matrix>& globals,
                    std::vector<C4D_Vector>* points) {
  const GltfSkin& skin = scene.skins[mesh.skin];
  std::vector<C4D_Matrix> joint_matrix(skin.joints.size());
  for (size_t j = 0; j < skin.joints.size(); ++j) {
    joint_matrix[j] = io_detail::MultiplyMatrices(globals[skin.joints[j]], skin.inverse_bind[j]);
  }
  const size_t k_inf = static_cast<size_t>(mesh.influences);
  points->assign(mesh.points.size(), C4D_Vector{0, 0, 0});
  for (size_t i = 0; i < mesh.points.size(); ++i) {
    C4D_Vector& out = (*points)[i];
    for (size_t c = 0; c < k_inf; ++c) {
      const float w = mesh.weights[i * k_inf + c];
      if (w == 0) continue;
      const C4D_Vector p = io_detail::TransformPoint(joint_matrix[mesh.joints[i * k_inf + c]], mesh.points[i]);
      out.x += w * p.x;
      out.y += w * p.y;
      out.z += w * p.z;
    }
  }
}

}  // namespace hostapp
