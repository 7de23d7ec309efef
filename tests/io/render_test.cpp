// The viewport: framing, the fixed view direction, hidden surfaces, shading, lines,
// handles, panels, and PNG files read back.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "hostapp/io/obj.h"
#include "hostapp/render/camera.h"
#include "hostapp/render/draw.h"
#include "hostapp/render/image.h"
#include "hostapp/render/gif.h"
#include "hostapp/render/png.h"
#include "hostapp/render/strain_color.h"
#include "hostapp/render/text.h"
#include "io/temp_dir.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

using hostapp::Camera;
using hostapp::Image;
using hostapp::Mesh;
using hostapp::Rgb8;
using hostapp::ZBuffer;
using hostapp_test::TempDir;

const Rgb8 kBackground{30, 30, 30};

// The cube [-1, 1]^3 as 8 points; one quad per face, in the order +X, -X, +Y, -Y, +Z, -Z.
Mesh Cube() {
  Mesh m;
  for (int i = 0; i < 8; ++i) m.points.push_back({i & 1 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0});
  m.polygons = {{1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3}, {0, 1, 5, 4}, {4, 5, 7, 6}, {0, 2, 3, 1}};
  return m;
}

int CountNot(const Image& img, Rgb8 c) {
  int n = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) n += img.At(x, y) != c;
  return n;
}

// The channel that dominates a colour: 0 red, 1 green, 2 blue, -1 none.
int Dominant(Rgb8 c) {
  if (c.r > 2 * c.g && c.r > 2 * c.b) return 0;
  if (c.g > 2 * c.r && c.g > 2 * c.b) return 1;
  if (c.b > 2 * c.r && c.b > 2 * c.g) return 2;
  return -1;
}

TEST(Camera, FramesTheBoxInBothProjections) {
  for (hostapp::Projection proj : {hostapp::Projection::kPerspective, hostapp::Projection::kOrthographic}) {
    for (auto [w, h] : {std::pair{200, 150}, std::pair{120, 300}}) {
      const C4D_Vector lo{2, -1, 5}, hi{6, 3, 7};
      Camera cam = hostapp::FrameBoundingBox(lo, hi, w, h, proj);
      double x, y, d;
      ASSERT_TRUE(cam.Project({4, 1, 6}, &x, &y, &d));
      EXPECT_NEAR(x, w / 2.0, 1e-9);
      EXPECT_NEAR(y, h / 2.0, 1e-9);
      double x_lo = 1e9, x_hi = -1e9, y_lo = 1e9, y_hi = -1e9;
      for (int i = 0; i < 8; ++i) {
        C4D_Vector c{i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z};
        ASSERT_TRUE(cam.Project(c, &x, &y, &d));
        x_lo = std::min(x_lo, x), x_hi = std::max(x_hi, x), y_lo = std::min(y_lo, y), y_hi = std::max(y_hi, y);
      }
      EXPECT_GE(x_lo, 0);
      EXPECT_LE(x_hi, w);
      EXPECT_GE(y_lo, 0);
      EXPECT_LE(y_hi, h);
      EXPECT_GT(std::max(x_hi - x_lo, y_hi - y_lo), 0.5 * std::min(w, h)) << "the box should fill the view";
      // Up is up on the picture; nearer points have smaller depth keys.
      double y_top, y_bottom, d_near, d_far;
      ASSERT_TRUE(cam.Project({4, 3, 6}, &x, &y_top, &d));
      ASSERT_TRUE(cam.Project({4, -1, 6}, &x, &y_bottom, &d));
      EXPECT_LT(y_top, y_bottom);
      ASSERT_TRUE(cam.Project({4, 1, 6}, &x, &y, &d_far));
      C4D_Vector nearer{4 - cam.forward.x, 1 - cam.forward.y, 6 - cam.forward.z};
      ASSERT_TRUE(cam.Project(nearer, &x, &y, &d_near));
      EXPECT_LT(d_near, d_far);
    }
  }
}

TEST(DrawMeshFlat, CubeShowsItsTopFrontAndRightFacesEachShadedDifferently) {
  const Mesh cube = Cube();
  for (hostapp::Projection proj : {hostapp::Projection::kPerspective, hostapp::Projection::kOrthographic}) {
    Camera cam = hostapp::FrameBoundingBox({-1, -1, -1}, {1, 1, 1}, 160, 120, proj);
    // One colour per face pair, opposite faces alike, so only the depth test decides.
    const Rgb8 colors[3] = {{220, 0, 0}, {0, 220, 0}, {0, 0, 220}};  // X, Y, Z faces
    Image img(160, 120, kBackground);
    ZBuffer z(160, 120);
    // Hidden faces first and last, so that drawing order cannot be what hides them.
    const int order[6] = {1, 0, 3, 2, 5, 4};
    for (int k : order) {
      EXPECT_EQ(hostapp::DrawMeshFlat(img, z, cam, cube.points.data(), 8, &cube.polygons[k], 1, colors[k / 2]), 0);
    }
    // Visible from front-right-above: +X (red), +Y (green), -Z (blue).
    const C4D_Vector centres[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
    std::set<std::tuple<int, int, int>> shades;
    for (int f = 0; f < 3; ++f) {
      double x, y, d;
      ASSERT_TRUE(cam.Project(centres[f], &x, &y, &d));
      const Rgb8 c = img.At(static_cast<int>(x), static_cast<int>(y));
      EXPECT_EQ(Dominant(c), f) << "face " << f;
      shades.insert({c.r, c.g, c.b});
    }
    EXPECT_EQ(shades.size(), 3u);
    EXPECT_EQ(img.At(0, 0), kBackground);
    EXPECT_EQ(img.At(159, 119), kBackground);
    const int covered = CountNot(img, kBackground);
    EXPECT_GT(covered, 160 * 120 / 8);
    EXPECT_LT(covered, 160 * 120 * 3 / 4);
  }
}

TEST(DrawMeshFlat, QuadsFillBothHalvesAndBadPolygonsAreSkipped) {
  Mesh quad;
  quad.points = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  quad.polygons = {{0, 1, 2, 3}, {0, 1, 9, 9}, {-1, 0, 1, 1}};
  Camera cam = hostapp::FrameBoundingBox({-1, -1, 0}, {1, 1, 0}, 100, 100, hostapp::Projection::kOrthographic);
  cam.forward = {0, 0, 1}, cam.right = {1, 0, 0}, cam.up = {0, 1, 0};  // straight on
  cam.eye = {0, 0, -5};
  Image img(100, 100, kBackground);
  ZBuffer z(100, 100);
  EXPECT_EQ(hostapp::DrawMeshFlat(img, z, cam, quad, Rgb8{200, 200, 200}), 2);
  double x, y, d;
  for (C4D_Vector p : {C4D_Vector{0.6, -0.6, 0}, C4D_Vector{-0.6, 0.6, 0}}) {  // one point in each triangle
    ASSERT_TRUE(cam.Project(p, &x, &y, &d));
    EXPECT_NE(img.At(int(x), int(y)), kBackground);
  }
  // Seen straight on against a light from the upper left: dimmer than full colour but lit.
  const Rgb8 c = img.At(50, 50);
  EXPECT_GT(c.r, 60);
  EXPECT_LE(c.r, 200);
}

TEST(DrawLine3D, DepthTestNearPlaneAndFarAwayEnds) {
  const Mesh cube = Cube();
  Camera cam = hostapp::FrameBoundingBox({-1, -1, -1}, {1, 1, 1}, 120, 120);
  Image img(120, 120, kBackground);
  ZBuffer z(120, 120);
  hostapp::DrawMeshFlat(img, z, cam, cube, Rgb8{128, 128, 128});
  const Rgb8 red{255, 0, 0};
  auto pixel_of = [&](C4D_Vector p) {
    double x, y, d;
    EXPECT_TRUE(cam.Project(p, &x, &y, &d));
    return img.At(int(x), int(y));
  };
  // A vertical line through the cube's centre, hidden with the depth test, shown without.
  Image hidden = img;
  hostapp::DrawLine3D(hidden, &z, cam, {0, -0.9, 0}, {0, 0.9, 0}, red);
  EXPECT_EQ(CountNot(hidden, kBackground), CountNot(img, kBackground));
  EXPECT_EQ(hidden.pixels, img.pixels);
  Image on_top = img;
  hostapp::DrawLine3D(on_top, nullptr, cam, {0, -0.9, 0}, {0, 0.9, 0}, red);
  img = on_top;
  EXPECT_EQ(pixel_of({0, 0, 0}), red);
  // An edge of the cube on its surface shows through the tolerance.
  Image edge = hidden;
  hostapp::DrawLine3D(edge, &z, cam, {1, 1, -1}, {1, -1, -1}, red);
  double x, y, d;
  ASSERT_TRUE(cam.Project({1, 0, -1}, &x, &y, &d));
  EXPECT_EQ(edge.At(int(x), int(y)), red);

  // Lines through the eye and towards far away points: cut, bounded, no crash.
  Image other(120, 120, kBackground);
  const C4D_Vector behind{cam.eye.x - cam.forward.x * 10, cam.eye.y - cam.forward.y * 10,
                          cam.eye.z - cam.forward.z * 10};
  hostapp::DrawLine3D(other, nullptr, cam, behind, {0, 0, 0}, red);
  EXPECT_GT(CountNot(other, kBackground), 0);
  hostapp::DrawLine3D(other, nullptr, cam, {0, 0, 0}, {1e300, -1e300, 1e300}, red);
  hostapp::DrawLine3D(other, nullptr, cam, behind, behind, red);
  hostapp::DrawLine3D(other, nullptr, cam, {NAN, 0, 0}, {0, 0, 0}, red);
}

TEST(DrawHandle, SquareWithBorderClippedAtTheEdges) {
  Camera cam = hostapp::FrameBoundingBox({-1, -1, -1}, {1, 1, 1}, 50, 50);
  Image img(50, 50, kBackground);
  const Rgb8 yellow{250, 220, 0};
  hostapp::DrawHandle(img, cam, {0, 0, 0}, yellow, 2);
  int fill = 0, border = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 50; ++x) fill += img.At(x, y) == yellow, border += img.At(x, y) == Rgb8{20, 20, 20};
  EXPECT_EQ(fill, 25);
  EXPECT_EQ(border, 49 - 25);
  EXPECT_EQ(img.At(25, 25), yellow);
  // At the picture's corner and far outside: clipped, no crash.
  double x, y, d;
  cam.Project({0, 0, 0}, &x, &y, &d);
  hostapp::DrawHandle(img, cam, {1e200, 1e200, 0}, yellow, 3);
  Camera shifted = cam;
  shifted.width = shifted.height = 0;  // the centre projects to the picture's corner
  hostapp::DrawHandle(img, shifted, {0, 0, 0}, yellow, 3);
  EXPECT_EQ(img.At(0, 0), yellow);
}

TEST(ComposeGrid, PanelsInRowsWithGaps) {
  std::vector<Image> panels = {Image(4, 3, {255, 0, 0}), Image(2, 5, {0, 255, 0}), Image(4, 4, {0, 0, 255})};
  Image g = hostapp::ComposeGrid(panels, 2, Rgb8{9, 9, 9}, 1);
  // cells 4 x 5, 2 columns, 2 rows: 1 + 2 * (4 + 1) wide, 1 + 2 * (5 + 1) high
  ASSERT_EQ(g.width, 11);
  ASSERT_EQ(g.height, 13);
  EXPECT_EQ(g.At(0, 0), (Rgb8{9, 9, 9}));
  EXPECT_EQ(g.At(1, 1), (Rgb8{255, 0, 0}));
  EXPECT_EQ(g.At(4, 3), (Rgb8{255, 0, 0}));
  EXPECT_EQ(g.At(1, 4), (Rgb8{9, 9, 9}));  // below the shorter first panel
  EXPECT_EQ(g.At(6, 5), (Rgb8{0, 255, 0}));
  EXPECT_EQ(g.At(8, 1), (Rgb8{9, 9, 9}));  // right of the narrow second panel
  EXPECT_EQ(g.At(1, 7), (Rgb8{0, 0, 255}));
  EXPECT_EQ(g.At(7, 8), (Rgb8{9, 9, 9}));  // the empty fourth cell
  EXPECT_TRUE(hostapp::ComposeGrid({}, 3, {}, 2).empty());
}

TEST(WritePng, PicturesReadBackExactlyAndFailuresLeaveNoFile) {
  TempDir dir;
  Mesh hand;
  std::string error;
  ASSERT_TRUE(hostapp::ReadObj("../shared/data/obj/hand_lowres.obj", &hand, &error)) << error;
  C4D_Vector lo, hi;
  ASSERT_TRUE(hostapp::BoundingBox(hand.points.data(), hand.points.size(), &lo, &hi));
  Camera cam = hostapp::FrameBoundingBox(lo, hi, 96, 64);
  Image img(96, 64, kBackground);
  ZBuffer z(96, 64);
  hostapp::DrawMeshFlat(img, z, cam, hand, Rgb8{200, 170, 150});
  EXPECT_GT(CountNot(img, kBackground), 96 * 64 / 20);

  const std::string path = dir.File("hand.png");
  ASSERT_TRUE(hostapp::WritePng(path, img, &error)) << error;
  int w = 0, h = 0, channels = 0;
  unsigned char* back = stbi_load(path.c_str(), &w, &h, &channels, 3);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(w, 96);
  EXPECT_EQ(h, 64);
  EXPECT_TRUE(std::equal(img.pixels.begin(), img.pixels.end(), back));
  stbi_image_free(back);

  EXPECT_FALSE(hostapp::WritePng(dir.File("empty.png"), Image(), &error));
  EXPECT_NE(error.find("empty.png"), std::string::npos);
  EXPECT_FALSE(hostapp::WritePng(dir.File("nowhere/x.png"), img, &error));
  EXPECT_NE(error.find("nowhere/x.png"), std::string::npos);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"hand.png"});
}

// The strain scale's stops give their own colours; between them the colour is mixed, and
// strains outside the scale take its ends.
TEST(StrainColor, StopsEndsAndMixes) {
  for (const hostapp::StrainStop& stop : hostapp::kStrainStops) {
    EXPECT_EQ(hostapp::StrainColor(stop.at), (Rgb8{stop.r, stop.g, stop.b})) << stop.at;
  }
  const hostapp::StrainStop& first = hostapp::kStrainStops[0];
  const hostapp::StrainStop& last = hostapp::kStrainStops[hostapp::kStrainStopCount - 1];
  EXPECT_EQ(hostapp::StrainColor(-1.0), (Rgb8{first.r, first.g, first.b}));
  EXPECT_EQ(hostapp::StrainColor(std::nan("")), (Rgb8{first.r, first.g, first.b}));
  EXPECT_EQ(hostapp::StrainColor(14.75), (Rgb8{last.r, last.g, last.b}));
  const hostapp::StrainStop& a = hostapp::kStrainStops[1];
  const hostapp::StrainStop& b = hostapp::kStrainStops[2];
  const Rgb8 mid = hostapp::StrainColor(0.5 * (a.at + b.at));
  EXPECT_NEAR(mid.r, 0.5 * (a.r + b.r), 0.5 + 1e-9);
  EXPECT_NEAR(mid.g, 0.5 * (a.g + b.g), 0.5 + 1e-9);
}

// An animated GIF reads back with every frame in order, its size and its delay, the colours
// of a few flat areas kept; bad input leaves no file.
TEST(WriteGif, FramesReadBackInOrder) {
  if (!hostapp::GifSupported()) GTEST_SKIP() << "built without giflib";
  TempDir dir;
  const Rgb8 colors[3] = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}};
  std::vector<Image> frames;
  for (const Rgb8& c : colors) {
    frames.emplace_back(48, 32, c);
    hostapp::DrawText(frames.back(), 2, 2, "frame", Rgb8{255, 255, 255});
  }
  std::string error;
  const std::string path = dir.File("anim.gif");
  ASSERT_TRUE(hostapp::WriteGif(path, frames, 4, &error)) << error;
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int* delays = nullptr;
  int w = 0, h = 0, layers = 0, channels = 0;
  unsigned char* back = stbi_load_gif_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                                                  static_cast<int>(bytes.size()), &delays, &w, &h, &layers, &channels, 3);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(w, 48);
  EXPECT_EQ(h, 32);
  ASSERT_EQ(layers, 3);
  for (int f = 0; f < 3; ++f) {
    EXPECT_EQ(delays[f], 40);  // milliseconds
    const unsigned char* corner = back + static_cast<size_t>(f) * w * h * 3 + ((h - 1) * w + (w - 1)) * 3;
    EXPECT_NEAR(corner[0], colors[f].r, 8) << f;
    EXPECT_NEAR(corner[1], colors[f].g, 8) << f;
    EXPECT_NEAR(corner[2], colors[f].b, 8) << f;
  }
  stbi_image_free(back);
  stbi_image_free(delays);

  EXPECT_FALSE(hostapp::WriteGif(dir.File("none.gif"), {}, 4, &error));
  EXPECT_NE(error.find("none.gif"), std::string::npos);
  frames.emplace_back(10, 10, Rgb8{});
  EXPECT_FALSE(hostapp::WriteGif(dir.File("mixed.gif"), frames, 4, &error));
  EXPECT_NE(error.find("mixed.gif"), std::string::npos);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"anim.gif"});
}

}  // namespace
