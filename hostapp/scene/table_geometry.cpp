// C4D_GeometryTable: points, polygons and per-point tag data for plug-ins.
#include "hostapp/scene/extensions.h"
#include "hostapp/scene/object.h"
#include "hostapp/scene/tables.h"
#include "hostapp/scene/tag.h"

namespace hostapp {

namespace {

PolygonObject* Poly(C4D_Node* op) { return op ? ToPolygonObject(FromC(op)) : nullptr; }

int32_t PointCount(C4D_Node* op) {
  PolygonObject* p = Poly(op);
  return p ? static_cast<int32_t>(p->Points().size()) : 0;
}

int32_t PolygonCount(C4D_Node* op) {
  PolygonObject* p = Poly(op);
  return p ? static_cast<int32_t>(p->Polygons().size()) : 0;
}

const C4D_Vector* PointsR(C4D_Node* op) {
  PolygonObject* p = Poly(op);
  return p && !p->Points().empty() ? p->Points().data() : nullptr;
}

C4D_Vector* PointsW(C4D_Node* op) {
  PolygonObject* p = Poly(op);
  return p && !p->Points().empty() ? p->Points().data() : nullptr;
}

const C4D_CPolygon* PolygonsR(C4D_Node* op) {
  PolygonObject* p = Poly(op);
  return p && !p->Polygons().empty() ? p->Polygons().data() : nullptr;
}

int32_t VariableTagCount(C4D_Node* tag) {
  Tag* t = ToTag(tag);
  return t ? t->VariableCount() : 0;
}

const void* VariableTagDataR(C4D_Node* tag) {
  Tag* t = ToTag(tag);
  return t ? t->VariableData() : nullptr;
}

float* RestrictionWeightsOf(C4D_Node* op, C4D_Node* deformer) {
  if (!op || !deformer) return nullptr;
  try {
    return RestrictionWeights(FromC(op), FromC(deformer));
  } catch (...) {
    return nullptr;
  }
}

const C4D_GeometryTable kTable = {
    sizeof(C4D_GeometryTable), PointCount,       PolygonCount,     PointsR, PointsW, PolygonsR,
    VariableTagCount,          VariableTagDataR, RestrictionWeightsOf,
};

}  // namespace

const C4D_GeometryTable* GeometryTable() { return &kTable; }

}  // namespace hostapp
