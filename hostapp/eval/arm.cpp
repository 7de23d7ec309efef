#include "hostapp/eval/arm.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "hostapp/eval/animation.h"
#include "hostapp/eval/transform.h"
#include "hostapp/eval/weight_tag.h"
#include "hostapp/io/portable_math.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/matrix.h"

namespace hostapp {

namespace {

constexpr double kPi = 3.14159265358979323846;

// in: options, x along the arm, angle around it. out: the surface's distance from the axis.
double SurfaceRadius(const ArmOptions& o, double x, double angle) {
  return o.radius * (1.0 + o.ridge_depth * PortableCos(o.ridges * angle) +
                     o.bump_height * PortableSin(2.0 * kPi * o.bumps * x / o.length));
}

}  // namespace

Mesh MakeArmMesh(const ArmOptions& options) {
  ArmOptions o = options;
  o.segments = std::max(o.segments, 3);
  o.rings = std::max(o.rings, 2);
  o.cap_rings = std::max(o.cap_rings, 0);
  const int32_t s = o.segments, rings = o.rings, caps = o.cap_rings;

  Mesh mesh;
  mesh.points.reserve(static_cast<size_t>(s) * static_cast<size_t>(rings + 2 * caps) + 2);
  for (int32_t i = 0; i < rings; ++i) {
    const double x = o.length * i / (rings - 1);
    for (int32_t j = 0; j < s; ++j) {
      const double a = 2.0 * kPi * j / s;
      const double r = SurfaceRadius(o, x, a);
      mesh.points.push_back(C4D_Vector{x, r * PortableCos(a), r * PortableSin(a)});
    }
  }
  // Cap rings shrink the rim toward the centre; first the start cap, then the end cap.
  int32_t cap_base[2], centre[2];
  for (int32_t end = 0; end < 2; ++end) {
    const double x = end == 0 ? 0.0 : o.length;
    cap_base[end] = static_cast<int32_t>(mesh.points.size());
    for (int32_t k = 1; k <= caps; ++k) {
      const double f = 1.0 - static_cast<double>(k) / (caps + 1);
      for (int32_t j = 0; j < s; ++j) {
        const double a = 2.0 * kPi * j / s;
        const double r = f * SurfaceRadius(o, x, a);
        mesh.points.push_back(C4D_Vector{x, r * PortableCos(a), r * PortableSin(a)});
      }
    }
    centre[end] = static_cast<int32_t>(mesh.points.size());
    mesh.points.push_back(C4D_Vector{x, 0.0, 0.0});
  }

  auto tube = [&](int32_t i, int32_t j) { return i * s + (j % s); };
  // Ring k of a cap: 0 is the tube's end ring, 1..caps the cap's own rings.
  auto cap = [&](int32_t end, int32_t k, int32_t j) {
    return k == 0 ? tube(end == 0 ? 0 : rings - 1, j) : cap_base[end] + (k - 1) * s + (j % s);
  };
  for (int32_t i = 0; i + 1 < rings; ++i) {
    for (int32_t j = 0; j < s; ++j) {
      mesh.polygons.push_back(C4D_CPolygon{tube(i, j), tube(i, j + 1), tube(i + 1, j + 1), tube(i + 1, j)});
    }
  }
  for (int32_t k = 0; k < caps; ++k) {
    for (int32_t j = 0; j < s; ++j) {  // outward is -x at the start, +x at the end
      mesh.polygons.push_back(C4D_CPolygon{cap(0, k, j), cap(0, k + 1, j), cap(0, k + 1, j + 1), cap(0, k, j + 1)});
      mesh.polygons.push_back(C4D_CPolygon{cap(1, k, j), cap(1, k, j + 1), cap(1, k + 1, j + 1), cap(1, k + 1, j)});
    }
  }
  for (int32_t j = 0; j < s; ++j) {
    const int32_t a0 = cap(0, caps, j), b0 = cap(0, caps, j + 1);
    const int32_t a1 = cap(1, caps, j), b1 = cap(1, caps, j + 1);
    mesh.polygons.push_back(C4D_CPolygon{a0, centre[0], b0, b0});
    mesh.polygons.push_back(C4D_CPolygon{a1, b1, centre[1], centre[1]});
  }
  return mesh;
}

double ForearmWeight(double x, const ArmOptions& options) {
  const double width = options.blend * options.length;
  const double start = 0.5 * options.length - 0.5 * width;
  if (width <= 0.0) return x < 0.5 * options.length ? 0.0 : 1.0;
  const double t = std::min(1.0, std::max(0.0, (x - start) / width));
  return t * t * (3.0 - 2.0 * t);
}

ArmScene MakeArmScene(Document& doc, const ArmOptions& options) {
  ArmScene arm;
  arm.length = options.length;

  auto upper = std::make_unique<Object>(C4D_OJOINT);
  upper->SetName("Upper Arm");
  arm.upper = doc.AppendObject(std::move(upper));
  auto forearm = std::make_unique<Object>(C4D_OJOINT);
  forearm->SetName("Forearm");
  forearm->SetMl(ForearmFrame(options.length, ArmPose{}));
  arm.forearm = doc.InsertObject(std::move(forearm), arm.upper, nullptr);

  auto mesh = std::make_unique<PolygonObject>();
  mesh->SetName("Arm");
  Mesh surface = MakeArmMesh(options);
  mesh->Points() = std::move(surface.points);
  mesh->Polygons() = std::move(surface.polygons);
  arm.mesh = static_cast<PolygonObject*>(doc.AppendObject(std::move(mesh)));

  auto weights = std::make_unique<WeightTag>();
  weights->SetName("Weights");
  weights->AddJoint(*arm.upper);
  weights->AddJoint(*arm.forearm);
  const std::vector<C4D_Vector>& points = arm.mesh->Points();
  weights->Resize(static_cast<int32_t>(points.size()), 2);
  for (size_t i = 0; i < points.size(); ++i) {
    const double w = ForearmWeight(points[i].x, options);
    weights->SetPair(static_cast<int32_t>(i), 0, 0, static_cast<float>(1.0 - w));
    weights->SetPair(static_cast<int32_t>(i), 1, 1, static_cast<float>(w));
  }
  arm.weights = weights.get();
  arm.mesh->InsertTag(weights.release(), arm.mesh->LastTag());

  auto skin = std::make_unique<Object>(C4D_OSKIN);
  skin->SetName("Skin");
  arm.skin = doc.InsertObject(std::move(skin), arm.mesh, nullptr);
  return arm;
}

C4D_Matrix ForearmFrame(double length, const ArmPose& pose) {
  return MultiplyMatrix(TranslationMatrix(C4D_Vector{0.5 * length, 0.0, 0.0}),
                        MultiplyMatrix(RotationZMatrix(pose.bend), RotationXMatrix(pose.twist)));
}

void PoseArm(const ArmScene& arm, const ArmPose& pose) { arm.forearm->SetMl(ForearmFrame(arm.length, pose)); }

ArmPose ArmPoseAtFrame(double frame, double period, double max_bend, double max_twist) {
  const double phase = period > 0.0 ? 2.0 * kPi * frame / period : 0.0;
  return ArmPose{max_bend * 0.5 * (1.0 - PortableCos(phase)), max_twist * PortableSin(phase)};
}

void AnimateArm(Animation& animation, const ArmScene& arm, double period, double max_bend, double max_twist) {
  const double length = arm.length;
  animation.SetCallback(*arm.forearm, [=](double frame) {
    return ForearmFrame(length, ArmPoseAtFrame(frame, period, max_bend, max_twist));
  });
}

}  // namespace hostapp
