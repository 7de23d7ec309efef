// The animation of a document: per object, a track that gives its local frame at any frame
// number, either sampled from keys or computed by a callback. Evaluation applies it first.
#ifndef HOSTAPP_EVAL_ANIMATION_H
#define HOSTAPP_EVAL_ANIMATION_H

#include <functional>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/eval/transform.h"
#include "hostapp/scene/weak_node.h"

namespace hostapp {

class Object;

// The local frame of an object at one frame number.
struct TransformKey {
  double frame = 0;
  Trs local;
};

// in: keys sorted by frame (at least one), frame. out: the local frame there: between two
// keys translation and scale blend linearly and rotation by spherical interpolation; before
// the first key (after the last) the first (last) key holds.
C4D_Matrix SampleKeys(const std::vector<TransformKey>& keys, double frame);

class Animation {
 public:
  // in: frame. out: the object's local frame at that frame.
  using Callback = std::function<C4D_Matrix(double frame)>;

  // Animates op by keys (sorted here by frame; an empty list removes the track). Replaces a
  // track op already had. The track holds op weakly and is skipped once op is freed.
  void SetKeys(const Object& op, std::vector<TransformKey> keys);
  // Animates op by a callback (an empty one removes the track). Replaces an earlier track.
  void SetCallback(const Object& op, Callback fn);
  // Removes op's track, if any.
  void Remove(const Object& op);
  // out: true when op has a track.
  bool IsAnimated(const Object& op) const;
  // out: the number of tracks, including those of freed objects.
  size_t TrackCount() const { return tracks_.size(); }

  // in: frame. Sets the local frame of every animated object that is still alive.
  void Apply(double frame) const;

 private:
  struct Track {
    WeakNode node;
    std::vector<TransformKey> keys;
    Callback fn;
  };
  Track* Find(const Object& op);

  std::vector<Track> tracks_;
};

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_ANIMATION_H
