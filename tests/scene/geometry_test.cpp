// Geometry through the boundary: points and polygons of polygon objects only, vertex map
// data, and restriction weights answered by whichever module installs a handler.
#include "hostapp/scene/extensions.h"
#include "hostapp/scene/tables.h"
#include "scene/scene_fixture.h"

using namespace hostapp;

class Geometry : public SceneTest {};

TEST_F(Geometry, PolygonObjectsExposeTheirArraysOthersNone) {
  const C4D_GeometryTable* g = GeometryTable();
  auto mesh = NewObject(C4D_OPOLYGON);
  auto* pm = ToPolygonObject(mesh.get());
  pm->Points() = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  pm->Polygons() = {{0, 1, 2, 3}};
  EXPECT_EQ(g->point_count(mesh.get()), 4);
  EXPECT_EQ(g->polygon_count(mesh.get()), 1);
  EXPECT_EQ(g->polygons_r(mesh.get())[0].d, 3);
  g->points_w(mesh.get())[2].z = 5;  // writes reach the object
  EXPECT_EQ(pm->Points()[2].z, 5.0);
  EXPECT_EQ(g->points_r(mesh.get()), pm->Points().data());

  auto empty = NewObject(C4D_OPOLYGON);
  EXPECT_EQ(g->points_r(empty.get()), nullptr);
  for (int32_t type : {C4D_ONULL, C4D_OSPLINE, C4D_OSKIN, fake::kObjectId}) {
    auto op = NewObject(type);
    EXPECT_EQ(g->point_count(op.get()), 0) << type;
    EXPECT_EQ(g->polygon_count(op.get()), 0) << type;
    EXPECT_EQ(g->points_r(op.get()), nullptr) << type;
    EXPECT_EQ(g->points_w(op.get()), nullptr) << type;
    EXPECT_EQ(g->polygons_r(op.get()), nullptr) << type;
  }
  auto tag = NewTag(C4D_TVERTEXMAP);
  EXPECT_EQ(g->point_count(tag.get()), 0);
}

TEST_F(Geometry, VertexMapsAreVariableTagsOfFloats) {
  const C4D_GeometryTable* g = GeometryTable();
  auto tag = NewTag(C4D_TVERTEXMAP);
  EXPECT_EQ(g->variable_tag_count(tag.get()), 0);
  EXPECT_EQ(g->variable_tag_data_r(tag.get()), nullptr);
  static_cast<VertexMapTag*>(tag.get())->Weights() = {0.25f, 0.75f};
  EXPECT_EQ(g->variable_tag_count(tag.get()), 2);
  EXPECT_EQ(static_cast<const float*>(g->variable_tag_data_r(tag.get()))[1], 0.75f);
  auto plugin_tag = NewTag(fake::kTagId);
  EXPECT_EQ(g->variable_tag_count(plugin_tag.get()), 0);
}

TEST_F(Geometry, RestrictionWeightsComeFromTheInstalledHandler) {
  const C4D_GeometryTable* g = GeometryTable();
  auto mesh = NewObject(C4D_OPOLYGON);
  auto deformer = NewObject(fake::kObjectId);
  EXPECT_EQ(g->restriction_weights(mesh.get(), deformer.get()), nullptr);
  static float weights[1] = {0.5f};
  Node* asked_op = nullptr;
  SetRestrictionWeightsHandler([&](Node* op, Node*) {
    asked_op = op;
    return weights;
  });
  EXPECT_EQ(g->restriction_weights(mesh.get(), deformer.get()), weights);
  EXPECT_EQ(asked_op, mesh.get());
  SetRestrictionWeightsHandler(nullptr);
  EXPECT_EQ(g->restriction_weights(mesh.get(), deformer.get()), nullptr);
}
