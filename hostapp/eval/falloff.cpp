#include "hostapp/eval/falloff.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "hostapp/eval/draw.h"
#include "hostapp/io/portable_math.h"
#include "hostapp/scene/container.h"
#include "hostapp/scene/description.h"
#include "hostapp/scene/no_throw.h"
#include "hostapp/scene/object.h"

namespace hostapp {
namespace {

C4D_Vector Apply(const C4D_Matrix& m, const C4D_Vector& p) {
  return C4D_Vector{m.off.x + p.x * m.v1.x + p.y * m.v2.x + p.z * m.v3.x,
                    m.off.y + p.x * m.v1.y + p.y * m.v2.y + p.z * m.v3.y,
                    m.off.z + p.x * m.v1.z + p.y * m.v2.z + p.z * m.v3.z};
}

// Inverse of an affine matrix; the identity when it is singular.
C4D_Matrix Invert(const C4D_Matrix& m) {
  const C4D_Vector &a = m.v1, &b = m.v2, &c = m.v3;
  const double det = a.x * (b.y * c.z - b.z * c.y) + b.x * (a.z * c.y - a.y * c.z) + c.x * (a.y * b.z - a.z * b.y);
  if (det == 0.0 || !std::isfinite(det)) return C4D_Matrix{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const double k = 1.0 / det;
  const C4D_Vector r1{(b.y * c.z - b.z * c.y) * k, (b.z * c.x - b.x * c.z) * k, (b.x * c.y - b.y * c.x) * k};
  const C4D_Vector r2{(c.y * a.z - c.z * a.y) * k, (c.z * a.x - c.x * a.z) * k, (c.x * a.y - c.y * a.x) * k};
  const C4D_Vector r3{(a.y * b.z - a.z * b.y) * k, (a.z * b.x - a.x * b.z) * k, (a.x * b.y - a.y * b.x) * k};
  C4D_Matrix r{{0, 0, 0}, {r1.x, r2.x, r3.x}, {r1.y, r2.y, r3.y}, {r1.z, r2.z, r3.z}};
  const C4D_Vector o = Apply(C4D_Matrix{{0, 0, 0}, r.v1, r.v2, r.v3}, m.off);
  r.off = C4D_Vector{-o.x, -o.y, -o.z};
  return r;
}

// Weight from a normalised distance d (0 at the centre, 1 at the size) with a full-weight
// inner share: 1 up to `inner`, then a linear ramp down to 0 at d = 1.
double Ramp(double d, double inner) {
  if (d >= 1.0) return 0.0;
  if (d <= inner) return 1.0;
  return (1.0 - d) / (1.0 - inner);
}

Falloff* F(C4D_FalloffHandle* f) { return static_cast<Falloff*>(f); }
const Falloff* F(const C4D_FalloffHandle* f) { return static_cast<const Falloff*>(f); }
const Container* Bc(const C4D_Container* bc) { return static_cast<const Container*>(bc); }
Container* Bc(C4D_Container* bc) { return static_cast<Container*>(bc); }

C4D_FalloffHandle* Alloc() { return new (std::nothrow) Falloff(); }
void Free(C4D_FalloffHandle* f) { delete F(f); }

bool Init(C4D_FalloffHandle* f, const C4D_Container* bc, C4D_Document*, C4D_Node* op) {
  if (!f) return false;
  F(f)->settings = FalloffSettings::From(Bc(bc));
  if (Object* o = ToObject(op)) {
    F(f)->mg = o->Mg();
    F(f)->inverse = Invert(F(f)->mg);
  }
  return true;
}

int32_t Dirty(C4D_FalloffHandle* f, const C4D_Container* bc) {
  if (!f) return 0;
  const FalloffSettings now = FalloffSettings::From(Bc(bc));
  if (!(now == F(f)->seen)) {
    F(f)->seen = now;
    ++F(f)->dirty;
  }
  return F(f)->dirty;
}

bool SetMode(C4D_FalloffHandle* f, int32_t mode, C4D_Container*) {
  if (!f) return false;
  if (mode != C4D_FALLOFF_INFINITE && mode != C4D_FALLOFF_SPHERE && mode != C4D_FALLOFF_BOX && mode != C4D_FALLOFF_LINEAR)
    return false;
  F(f)->description_mode = mode;
  return true;
}

// Adds the falloff's entries (shape, size, strength, inner share) in a group of their own.
// in: f, desc, bc (unused: the entries are the same for every setting). out: false without a
// component or description, when one of the ids is already described, or out of memory.
bool AddDescription(C4D_FalloffHandle* f, C4D_Description* desc, const C4D_Container*) {
  if (!f || !desc) return false;
  return NoThrow(false, [&] {
    constexpr int32_t kGroup = 5104;  // the falloff's own group, beside its settings' ids
    Description* d = FromC(desc);
    auto entry = [&](int32_t id, DescType type, const char* label, Value initial) {
      DescParameter p;
      p.id = id;
      p.type = type;
      p.label = label;
      p.group = id == kGroup ? 0 : kGroup;
      p.default_kind = type == DescType::kGroup ? DescDefault::kNone : DescDefault::kUnset;
      if (type != DescType::kGroup) p.initial = std::move(initial);
      return p;
    };
    const FalloffSettings s;  // what an absent setting reads as
    DescParameter group = entry(kGroup, DescType::kGroup, "Falloff", Value());
    DescParameter mode = entry(kFalloffMode, DescType::kLong, "Shape", Value(s.mode));
    mode.cycle = {{C4D_FALLOFF_INFINITE, "", "Infinite"},
                  {C4D_FALLOFF_SPHERE, "", "Sphere"},
                  {C4D_FALLOFF_BOX, "", "Box"},
                  {C4D_FALLOFF_LINEAR, "", "Linear"}};
    DescParameter size = entry(kFalloffSize, DescType::kVector, "Size", Value(s.size));
    size.min = 0.0;
    size.step = 1.0;
    DescParameter strength = entry(kFalloffStrength, DescType::kReal, "Strength", Value(s.strength));
    strength.step = 0.01;
    DescParameter inner = entry(kFalloffInner, DescType::kReal, "Inner share at full strength", Value(s.inner));
    inner.min = 0.0;
    inner.max = 1.0;
    inner.step = 0.01;
    for (const DescParameter* p : {&group, &mode, &size, &strength, &inner})
      if (d->Find(p->id)) return false;
    for (DescParameter* p : {&group, &mode, &size, &strength, &inner}) d->Add(std::move(*p));
    return true;
  });
}

void DrawShape(C4D_FalloffHandle* f, C4D_View* bd, C4D_DrawHelp*, int32_t pass, const C4D_Container*) {
  if (!f || !bd || pass != C4D_DRAWPASS_OBJECT) return;
  const Falloff& fo = *F(f);
  View* view = FromC(bd);
  const C4D_Vector saved = view->color;
  view->color = C4D_Vector{0.35, 0.75, 1.0};
  auto line = [&](C4D_Vector a, C4D_Vector b) {
    const C4D_Vector ga = Apply(fo.mg, a), gb = Apply(fo.mg, b);
    view->lines.push_back(DrawnLine{ga, gb, view->color});
  };
  const C4D_Vector s = fo.settings.size;
  switch (fo.settings.mode) {
    case C4D_FALLOFF_SPHERE: {
      const int kSteps = 48;
      for (int axis = 0; axis < 3; ++axis)
        for (int i = 0; i < kSteps; ++i) {
          const double t0 = 2.0 * M_PI * i / kSteps, t1 = 2.0 * M_PI * (i + 1) / kSteps;
          auto pt = [&](double t) {
            const double u = s.x * PortableCos(t), v = s.x * PortableSin(t);
            return axis == 0 ? C4D_Vector{u, v, 0} : axis == 1 ? C4D_Vector{u, 0, v} : C4D_Vector{0, u, v};
          };
          line(pt(t0), pt(t1));
        }
      break;
    }
    case C4D_FALLOFF_BOX: {
      // Corners by bit pattern; an edge joins two corners that differ in one bit.
      auto corner = [&](int bits) {
        return C4D_Vector{(bits & 1) ? s.x : -s.x, (bits & 2) ? s.y : -s.y, (bits & 4) ? s.z : -s.z};
      };
      for (int c = 0; c < 8; ++c)
        for (int bit = 1; bit < 8; bit <<= 1)
          if (!(c & bit)) line(corner(c), corner(c | bit));
      break;
    }
    case C4D_FALLOFF_LINEAR: {
      for (double z : {-s.z, s.z}) {
        line(C4D_Vector{-s.x, -s.y, z}, C4D_Vector{s.x, -s.y, z});
        line(C4D_Vector{s.x, -s.y, z}, C4D_Vector{s.x, s.y, z});
        line(C4D_Vector{s.x, s.y, z}, C4D_Vector{-s.x, s.y, z});
        line(C4D_Vector{-s.x, s.y, z}, C4D_Vector{-s.x, -s.y, z});
      }
      line(C4D_Vector{0, 0, -s.z}, C4D_Vector{0, 0, s.z});
      break;
    }
    default:
      break;
  }
  view->color = saved;
}

// Handles sit on the size: the sphere's radius on +x; the box's three half extents; the
// linear ramp's end on +z.
int32_t HandleCount(C4D_FalloffHandle* f, const C4D_Container* bc) {
  if (!f) return 0;
  switch (FalloffSettings::From(Bc(bc)).mode) {
    case C4D_FALLOFF_SPHERE: return 1;
    case C4D_FALLOFF_BOX: return 3;
    case C4D_FALLOFF_LINEAR: return 1;
    default: return 0;
  }
}

void GetHandle(C4D_FalloffHandle* f, int32_t i, const C4D_Container* bc, C4D_HandleInfo* info) {
  if (!f || !info) return;
  const FalloffSettings s = FalloffSettings::From(Bc(bc));
  *info = C4D_HandleInfo{};
  info->type = 1;
  if (s.mode == C4D_FALLOFF_SPHERE && i == 0) {
    info->position = C4D_Vector{s.size.x, 0, 0};
    info->direction = C4D_Vector{1, 0, 0};
  } else if (s.mode == C4D_FALLOFF_BOX && i >= 0 && i < 3) {
    info->position = i == 0 ? C4D_Vector{s.size.x, 0, 0} : i == 1 ? C4D_Vector{0, s.size.y, 0} : C4D_Vector{0, 0, s.size.z};
    info->direction = i == 0 ? C4D_Vector{1, 0, 0} : i == 1 ? C4D_Vector{0, 1, 0} : C4D_Vector{0, 0, 1};
  } else if (s.mode == C4D_FALLOFF_LINEAR && i == 0) {
    info->position = C4D_Vector{0, 0, s.size.z};
    info->direction = C4D_Vector{0, 0, 1};
  }
}

void SetHandle(C4D_FalloffHandle* f, int32_t i, C4D_Vector p, C4D_Container* bc, const C4D_HandleInfo*) {
  if (!f || !bc) return;
  Container* c = Bc(bc);
  const FalloffSettings s = FalloffSettings::From(c);
  C4D_Vector size = s.size;
  if (s.mode == C4D_FALLOFF_SPHERE && i == 0)
    size.x = std::max(0.0, p.x);
  else if (s.mode == C4D_FALLOFF_BOX && i >= 0 && i < 3)
    (i == 0 ? size.x : i == 1 ? size.y : size.z) = std::max(0.0, i == 0 ? p.x : i == 1 ? p.y : p.z);
  else if (s.mode == C4D_FALLOFF_LINEAR && i == 0)
    size.z = std::max(0.0, p.z);
  else
    return;
  c->SetVector(kFalloffSize, size);
}

bool CopyTo(const C4D_FalloffHandle* f, C4D_FalloffHandle* dest) {
  if (!f || !dest) return false;
  F(dest)->settings = F(f)->settings;
  F(dest)->mg = F(f)->mg;
  F(dest)->inverse = F(f)->inverse;
  F(dest)->description_mode = F(f)->description_mode;
  return true;
}

bool SampleAt(const C4D_FalloffHandle* f, const C4D_Vector* p, double* weight, bool, double) {
  if (!f || !p || !weight) return false;
  *weight = F(f)->Sample(*p);
  return true;
}

}  // namespace

FalloffSettings FalloffSettings::From(const Container* bc) {
  FalloffSettings s;
  if (!bc) return s;
  s.mode = bc->GetInt32(kFalloffMode, C4D_FALLOFF_INFINITE);
  s.size = bc->GetVector(kFalloffSize, C4D_Vector{100.0, 100.0, 100.0});
  s.strength = bc->GetFloat(kFalloffStrength, 1.0);
  s.inner = std::min(1.0, std::max(0.0, bc->GetFloat(kFalloffInner, 0.0)));
  return s;
}

bool FalloffSettings::operator==(const FalloffSettings& o) const {
  return mode == o.mode && size.x == o.size.x && size.y == o.size.y && size.z == o.size.z && strength == o.strength &&
         inner == o.inner;
}

double Falloff::Sample(const C4D_Vector& p) const {
  const C4D_Vector l = Apply(inverse, p);
  const FalloffSettings& s = settings;
  auto safe = [](double v, double size) { return size > 0.0 ? std::fabs(v) / size : (v == 0.0 ? 0.0 : 2.0); };
  double w = 1.0;
  switch (s.mode) {
    case C4D_FALLOFF_SPHERE:
      w = Ramp(s.size.x > 0.0 ? std::sqrt(l.x * l.x + l.y * l.y + l.z * l.z) / s.size.x : 2.0, s.inner);
      break;
    case C4D_FALLOFF_BOX:
      w = Ramp(std::max(safe(l.x, s.size.x), std::max(safe(l.y, s.size.y), safe(l.z, s.size.z))), s.inner);
      break;
    case C4D_FALLOFF_LINEAR:
      // Full weight beyond +size.z, none below -size.z, a ramp between.
      w = s.size.z > 0.0 ? std::min(1.0, std::max(0.0, 0.5 + 0.5 * l.z / s.size.z)) : (l.z >= 0.0 ? 1.0 : 0.0);
      break;
    default:
      break;
  }
  return w * s.strength;
}

const C4D_FalloffTable* FalloffTable() {
  static const C4D_FalloffTable table = {static_cast<int32_t>(sizeof(C4D_FalloffTable)),
                                         Alloc,
                                         Free,
                                         Init,
                                         Dirty,
                                         SetMode,
                                         AddDescription,
                                         DrawShape,
                                         HandleCount,
                                         GetHandle,
                                         SetHandle,
                                         CopyTo,
                                         SampleAt};
  return &table;
}

}  // namespace hostapp
