#include "hostapp/eval/animation.h"

#include <algorithm>

#include "hostapp/scene/object.h"

namespace hostapp {

namespace {

C4D_Vector Lerp(const C4D_Vector& a, const C4D_Vector& b, double u) {
  return C4D_Vector{a.x + (b.x - a.x) * u, a.y + (b.y - a.y) * u, a.z + (b.z - a.z) * u};
}

}  // namespace

C4D_Matrix SampleKeys(const std::vector<TransformKey>& keys, double frame) {
  if (frame <= keys.front().frame) return MatrixFromTrs(keys.front().local);
  if (frame >= keys.back().frame) return MatrixFromTrs(keys.back().local);
  // The first key after frame; the one before it is at or before frame.
  auto next = std::upper_bound(keys.begin(), keys.end(), frame,
                               [](double f, const TransformKey& k) { return f < k.frame; });
  const TransformKey& b = *next;
  const TransformKey& a = *(next - 1);
  const double span = b.frame - a.frame;
  const double u = span > 0.0 ? (frame - a.frame) / span : 1.0;
  Trs t;
  t.translation = Lerp(a.local.translation, b.local.translation, u);
  t.rotation = SlerpQuaternion(NormalizeQuaternion(a.local.rotation), NormalizeQuaternion(b.local.rotation), u);
  t.scale = Lerp(a.local.scale, b.local.scale, u);
  return MatrixFromTrs(t);
}

Animation::Track* Animation::Find(const Object& op) {
  for (Track& t : tracks_) {
    if (t.node.Get() == &op) return &t;
  }
  return nullptr;
}

void Animation::SetKeys(const Object& op, std::vector<TransformKey> keys) {
  if (keys.empty()) {
    Remove(op);
    return;
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const TransformKey& a, const TransformKey& b) { return a.frame < b.frame; });
  Track* t = Find(op);
  if (!t) {
    tracks_.push_back(Track{op.Weak(), {}, {}});
    t = &tracks_.back();
  }
  t->keys = std::move(keys);
  t->fn = nullptr;
}

void Animation::SetCallback(const Object& op, Callback fn) {
  if (!fn) {
    Remove(op);
    return;
  }
  Track* t = Find(op);
  if (!t) {
    tracks_.push_back(Track{op.Weak(), {}, {}});
    t = &tracks_.back();
  }
  t->keys.clear();
  t->fn = std::move(fn);
}

void Animation::Remove(const Object& op) {
  tracks_.erase(std::remove_if(tracks_.begin(), tracks_.end(), [&](const Track& t) { return t.node.Get() == &op; }),
                tracks_.end());
}

bool Animation::IsAnimated(const Object& op) const {
  return std::any_of(tracks_.begin(), tracks_.end(), [&](const Track& t) { return t.node.Get() == &op; });
}

void Animation::Apply(double frame) const {
  for (const Track& t : tracks_) {
    Object* op = ToObject(t.node.Get());
    if (!op) continue;
    op->SetMl(t.fn ? t.fn(frame) : SampleKeys(t.keys, frame));
  }
}

}  // namespace hostapp
