// Animations baked into .glb: the file read back with tinygltf must hold the meshes, one
// morph target per frame that reproduces the frame's points, front faces that stay front
// faces in glTF's mirrored axes, the stepped one-hot weight animation and the data a viewer
// needs to map polygons back; and everything the writer cannot write is refused by name.
#include "hostapp/io/glb_animation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "io/temp_dir.h"
#include "support/glb_decode.h"
#include "support/meshes.h"

namespace {

using hostapp::GlbAnimationWriter;
using hostapp::Mesh;
using hostapp_test::TempDir;
using testmesh::MaxDistance;

// A closed box (200 x 100 x 60) of five quads and one side split into two triangles, in the
// host's orientation.
Mesh Box() {
  Mesh m;
  for (int i = 0; i < 8; ++i) {
    m.points.push_back(C4D_Vector{(i & 1) ? 100.0 : -100.0, (i & 2) ? 50.0 : -50.0, (i & 4) ? 30.0 : -30.0});
  }
  m.polygons = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 7}, {1, 7, 5, 5}};
  return m;
}

// in: the box's rest points, k. out: the points of frame k: stretched, moved, with one corner
// pulled out of place.
std::vector<C4D_Vector> BoxFrame(const std::vector<C4D_Vector>& rest, int k) {
  std::vector<C4D_Vector> out = rest;
  for (C4D_Vector& p : out) p = C4D_Vector{p.x * (1.0 + 0.1 * k) + 3.25 * k, p.y - 7.5 * k, p.z + 0.125 * k};
  out[5].z += 40.0 * k;
  return out;
}

// in: points, triangles as three indices each. out: the signed volume they enclose.
double Volume(const std::vector<C4D_Vector>& p, const std::vector<uint32_t>& tri) {
  double v = 0;
  for (size_t t = 0; t + 2 < tri.size(); t += 3) {
    const C4D_Vector &a = p[tri[t]], &b = p[tri[t + 1]], &c = p[tri[t + 2]];
    v += a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x);
  }
  return v / 6.0;
}

// in: host polygons. out: their triangles (a, b, c), (a, c, d) for a quad.
std::vector<uint32_t> HostTriangles(const std::vector<C4D_CPolygon>& polygons) {
  std::vector<uint32_t> out;
  for (const C4D_CPolygon& q : polygons) {
    out.insert(out.end(), {uint32_t(q.a), uint32_t(q.b), uint32_t(q.c)});
    if (q.c != q.d) out.insert(out.end(), {uint32_t(q.a), uint32_t(q.c), uint32_t(q.d)});
  }
  return out;
}

// Every float accessor with bounds must state exactly the smallest and largest values it holds.
void ExpectExactBounds(const tinygltf::Model& model, int accessor) {
  const tinygltf::Accessor& a = model.accessors[accessor];
  const std::vector<float> v = glbtest::Values<float>(model, accessor);
  const size_t n = static_cast<size_t>(tinygltf::GetNumComponentsInType(a.type));
  ASSERT_EQ(a.minValues.size(), n);
  ASSERT_EQ(a.maxValues.size(), n);
  for (size_t k = 0; k < n; ++k) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (size_t i = k; i < v.size(); i += n) {
      lo = std::min(lo, double(v[i]));
      hi = std::max(hi, double(v[i]));
    }
    EXPECT_EQ(a.minValues[k], lo) << "accessor " << accessor;
    EXPECT_EQ(a.maxValues[k], hi) << "accessor " << accessor;
  }
}

TEST(GlbAnimation, MeshesTargetsAndSteppedAnimationReadBack) {
  TempDir dir;
  const Mesh box = Box();
  const Mesh flap{{{0, 0, 0}, {10, 0, 0}, {0, 10, 5}}, {{0, 1, 2, 2}}};
  const std::vector<int32_t> frames = {2, 5, 9};
  GlbAnimationWriter writer("corrected", 24.0);
  std::string error;
  ASSERT_TRUE(writer.AddMesh("Box", box, &error)) << error;
  ASSERT_TRUE(writer.AddMesh("Flap", flap, &error)) << error;
  std::vector<std::vector<std::vector<C4D_Vector>>> written;
  for (int k = 0; k < 3; ++k) {
    std::vector<C4D_Vector> f = flap.points;
    f[2].y -= 20.0 * k;
    written.push_back({BoxFrame(box.points, k + 1), f});
    ASSERT_TRUE(writer.AddFrame(frames[k], written.back(), &error)) << error;
  }
  const std::string path = dir.File("box_corrected.glb");
  ASSERT_TRUE(writer.Write(path, &error)) << error;
  EXPECT_EQ(dir.List(), std::vector<std::string>{"box_corrected.glb"});

  tinygltf::Model model;
  ASSERT_TRUE(glbtest::Load(path, &model, &error)) << error;
  EXPECT_EQ(model.asset.generator, "tavren-host");
  const tinygltf::Value& info = model.asset.extras.Get("tavren");
  EXPECT_EQ(info.Get("kind").Get<std::string>(), "corrected");
  EXPECT_EQ(info.Get("fps").GetNumberAsDouble(), 24.0);
  ASSERT_EQ(info.Get("frames").ArrayLen(), 3u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(info.Get("frames").Get(k).GetNumberAsInt(), frames[k]);
  ASSERT_EQ(model.buffers.size(), 1u);
  ASSERT_EQ(model.scenes.size(), 1u);
  ASSERT_EQ(model.scenes[0].nodes, (std::vector<int>{0, 1}));

  const char* names[] = {"Box", "Flap"};
  const Mesh* meshes[] = {&box, &flap};
  const char* sides[] = {"4444433", "3"};
  for (size_t m = 0; m < 2; ++m) {
    SCOPED_TRACE(names[m]);
    EXPECT_EQ(model.nodes[m].name, names[m]);
    ASSERT_EQ(model.nodes[m].mesh, int(m));
    ASSERT_EQ(model.meshes[m].primitives.size(), 1u);
    const tinygltf::Primitive& p = model.meshes[m].primitives[0];
    EXPECT_EQ(p.mode, TINYGLTF_MODE_TRIANGLES);
    EXPECT_EQ(p.attributes.size(), 1u);
    EXPECT_EQ(model.accessors[p.indices].componentType, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT);
    const std::vector<uint32_t> triangles = glbtest::Values<uint32_t>(model, p.indices);
    EXPECT_EQ(triangles.size(), HostTriangles(meshes[m]->polygons).size());
    EXPECT_EQ(model.meshes[m].extras.Get("tavren").Get("sides").Get<std::string>(), sides[m]);
    const tinygltf::Value& targets = model.meshes[m].extras.Get("targetNames");
    ASSERT_EQ(targets.ArrayLen(), 3u);
    EXPECT_EQ(targets.Get(0).Get<std::string>(), "frame_0002");
    EXPECT_EQ(targets.Get(2).Get<std::string>(), "frame_0009");

    const std::vector<C4D_Vector> rest = glbtest::HostPoints(model, m, -1);
    EXPECT_LT(MaxDistance(rest, meshes[m]->points), 1e-4);
    ExpectExactBounds(model, p.attributes.at("POSITION"));
    ASSERT_EQ(p.targets.size(), 3u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_LT(MaxDistance(glbtest::HostPoints(model, m, k), written[k][m]), 1e-4) << "frame " << frames[k];
      ExpectExactBounds(model, p.targets[k].at("POSITION"));
    }
    if (m == 0) {
      // Mirrored axes and reversed corners: the closed box encloses the same volume with the
      // same sign, so its outside is still its outside.
      std::vector<C4D_Vector> gltf;
      for (const C4D_Vector& q : rest) gltf.push_back(C4D_Vector{q.x / 100, q.y / 100, -q.z / 100});
      const double host = Volume(box.points, HostTriangles(box.polygons)) * 1e-6;  // cubic metres
      EXPECT_NEAR(Volume(gltf, triangles), host, 1e-6 * std::fabs(host));
    }
  }

  ASSERT_EQ(model.animations.size(), 1u);
  const tinygltf::Animation& anim = model.animations[0];
  EXPECT_EQ(anim.name, "corrected");
  ASSERT_EQ(anim.channels.size(), 2u);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(anim.channels[c].target_node, c);
    EXPECT_EQ(anim.channels[c].target_path, "weights");
    const tinygltf::AnimationSampler& s = anim.samplers.at(anim.channels[c].sampler);
    EXPECT_EQ(s.interpolation, "STEP");
    const std::vector<float> times = glbtest::Values<float>(model, s.input);
    EXPECT_EQ(times, (std::vector<float>{2 / 24.0f, 5 / 24.0f, 9 / 24.0f}));
    ExpectExactBounds(model, s.input);
    const std::vector<float> weights = glbtest::Values<float>(model, s.output);
    EXPECT_EQ(weights, (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  }
}

TEST(GlbAnimation, RefusesWhatItCannotWriteAndLeavesNothingBehind) {
  TempDir dir;
  const Mesh box = Box();
  std::string error;
  {
    GlbAnimationWriter writer("skin only", 24.0);
    EXPECT_FALSE(writer.AddMesh("Empty", Mesh{box.points, {}}, &error));
    EXPECT_EQ(error, "Empty: the mesh has no polygon");
    Mesh bad = box;
    bad.polygons[3].c = 8;
    EXPECT_FALSE(writer.AddMesh("Bad", bad, &error));
    EXPECT_EQ(error, "Bad: polygon 3 has a corner index out of range");
    bad = box;
    bad.points[2].y = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(writer.AddMesh("Nan", bad, &error));
    EXPECT_NE(error.find("Nan: "), std::string::npos);
    EXPECT_FALSE(writer.Write(dir.File("none.glb"), &error));  // no mesh yet
    EXPECT_NE(error.find("none.glb: nothing to write"), std::string::npos) << error;
  }
  GlbAnimationWriter writer("skin only", 24.0);
  ASSERT_TRUE(writer.AddMesh("Box", box, &error)) << error;
  EXPECT_FALSE(writer.Write(dir.File("none.glb"), &error));  // no frame yet
  ASSERT_TRUE(writer.AddFrame(4, {box.points}, &error)) << error;
  EXPECT_FALSE(writer.AddMesh("Late", box, &error));

  EXPECT_FALSE(writer.AddFrame(4, {box.points}, &error));  // not after the last
  EXPECT_EQ(error, "frame 4: frames must be 0 or later and increasing");
  std::vector<C4D_Vector> short_list(box.points.begin(), box.points.end() - 1);
  EXPECT_FALSE(writer.AddFrame(5, {short_list}, &error));
  EXPECT_EQ(error, "frame 5: Box has 7 points, not 8");
  EXPECT_FALSE(writer.AddFrame(5, {box.points, box.points}, &error));
  std::vector<C4D_Vector> infinite = box.points;
  infinite[0].x = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(writer.AddFrame(5, {infinite}, &error));
  EXPECT_EQ(error, "frame 5: Box has points that are not finite");
  EXPECT_EQ(writer.frame_count(), 1u);  // none of the refused frames was kept

  const std::string nowhere = dir.File("missing/box.glb");
  EXPECT_FALSE(writer.Write(nowhere, &error));
  EXPECT_EQ(error.rfind(nowhere + ": ", 0), 0u) << error;
  EXPECT_TRUE(dir.List().empty());

  // Replacing an earlier file leaves the new one only.
  const std::string path = dir.Write("box.glb", "old");
  ASSERT_TRUE(writer.Write(path, &error)) << error;
  EXPECT_EQ(dir.List(), std::vector<std::string>{"box.glb"});
  tinygltf::Model model;
  EXPECT_TRUE(glbtest::Load(path, &model, &error)) << error;
}

TEST(GlbAnimation, FrameCountsBeyondTwoGiBAreRefusedBeforeAnyWork) {
  Mesh grid;
  for (int i = 0; i < 10000; ++i) grid.points.push_back(C4D_Vector{double(i % 100), double(i / 100), 0});
  grid.polygons.push_back({0, 1, 101, 100});
  GlbAnimationWriter writer("corrected", 24.0);
  std::string error;
  ASSERT_TRUE(writer.AddMesh("Grid", grid, &error)) << error;
  EXPECT_TRUE(writer.Fits(1000, &error)) << error;
  EXPECT_FALSE(writer.Fits(13000, &error));  // 1.46 GiB of points and 0.63 GiB of one-hot weights
  EXPECT_NE(error.find("13000 frames would make a glTF file of about 2.1 GiB"), std::string::npos) << error;
  EXPECT_TRUE(writer.Fits(10000, &error)) << error;
}

}  // namespace
