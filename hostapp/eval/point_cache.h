// The point-cache deformer (type C4D_OPOINTCACHE): holds a list of points and, when their
// count matches, replaces the points of the objects it deforms with them.
#ifndef HOSTAPP_EVAL_POINT_CACHE_H
#define HOSTAPP_EVAL_POINT_CACHE_H

#include <vector>

#include "hostapp/scene/object.h"

namespace hostapp {

class PointCacheObject : public Object {
 public:
  PointCacheObject() : Object(C4D_OPOINTCACHE) {}

  // The cached points, in the deformed object's own space.
  std::vector<C4D_Vector>& Points() { return points_; }
  const std::vector<C4D_Vector>& Points() const { return points_; }

  // Scene-file data: the point count, then the points. out: false on a write failure or a
  // truncated read (the cache is then unchanged).
  bool WriteData(HyperFile& hf) const override;
  bool ReadData(HyperFile& hf) override;

 protected:
  void CopyDataTo(Node& dst) const override;

 private:
  std::vector<C4D_Vector> points_;
};

// out: a new point cache, not inserted, named "Point Cache". Use this rather than
// NodeTypes::CreateObject(C4D_OPOINTCACHE) while the scene's own table still creates a
// plain object for that type (see RegisterBuiltinDeformers).
std::unique_ptr<PointCacheObject> NewPointCache();

// in: cache (a point cache object; any other object holds no points), op. out: true when the
// counts matched and op's points were replaced; false leaves them as they were.
bool ApplyPointCache(const Object& cache, PolygonObject& op);

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_POINT_CACHE_H
