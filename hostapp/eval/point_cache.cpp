#include "hostapp/eval/point_cache.h"

#include "hostapp/scene/hyperfile.h"

namespace hostapp {

void PointCacheObject::CopyDataTo(Node& dst) const {
  Object::CopyDataTo(dst);
  if (auto* d = dynamic_cast<PointCacheObject*>(&dst)) d->points_ = points_;
}

bool PointCacheObject::WriteData(HyperFile& hf) const {
  bool ok = hf.WriteInt32(static_cast<int32_t>(points_.size()));
  for (const C4D_Vector& p : points_) ok = ok && hf.WriteVector(p);
  return ok;
}

bool PointCacheObject::ReadData(HyperFile& hf) {
  int32_t n = 0;
  if (!hf.ReadInt32(&n) || n < 0 || n > hf.Remaining() / HyperFile::kVectorSize) return false;
  std::vector<C4D_Vector> points(static_cast<size_t>(n));
  for (C4D_Vector& p : points) {
    if (!hf.ReadVector(&p)) return false;
  }
  points_ = std::move(points);
  return true;
}

std::unique_ptr<PointCacheObject> NewPointCache() {
  auto op = std::make_unique<PointCacheObject>();
  op->SetName("Point Cache");
  return op;
}

bool ApplyPointCache(const Object& cache, PolygonObject& op) {
  const auto* pc = dynamic_cast<const PointCacheObject*>(&cache);
  if (!pc || pc->Points().size() != op.Points().size()) return false;
  op.Points() = pc->Points();
  return true;
}

}  // namespace hostapp
