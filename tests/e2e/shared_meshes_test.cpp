// The shared scanned meshes, each bent smoothly, deform without a point that is not finite
// and keep their size.
#include <cmath>
#include <filesystem>

#include "e2e_env.h"

namespace e2e {
namespace {

class SharedMeshesTest : public CliTest {};

// in: mesh. out: the mesh bent around the vertical through its centre by one radian over its
// width, so that every mesh, whatever its scale, gets a comparable smooth deformation.
hostapp::Mesh BendToScale(const hostapp::Mesh& mesh) {
  const double size = Size(mesh.points);
  C4D_Vector centre{0, 0, 0};
  for (const C4D_Vector& p : mesh.points) centre = C4D_Vector{centre.x + p.x, centre.y + p.y, centre.z + p.z};
  const double n = static_cast<double>(mesh.points.size());
  centre = C4D_Vector{centre.x / n, centre.y / n, centre.z / n};
  hostapp::Mesh m = mesh;
  for (C4D_Vector& p : m.points) {
    const double x = p.x - centre.x, z = p.z - centre.z, a = x / size, r = size + z;
    p = C4D_Vector{centre.x + std::sin(a) * r, p.y, centre.z + std::cos(a) * r - size};
  }
  return m;
}

TEST_F(SharedMeshesTest, BentScansDeformWithoutNaN) {
  const std::filesystem::path folder = std::filesystem::path(TAVREN_SOURCE_DIR) / "../shared/data/obj";
  int tried = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".obj") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const std::string rest = std::filesystem::absolute(entry.path()).string();
    const hostapp::Mesh mesh = ReadMesh(rest);
    WriteMesh("posed.obj", BendToScale(mesh));
    const RunResult r = Run("deform --rest '" + rest + "' --posed posed.obj --out out.obj");
    ASSERT_EQ(r.code, 0) << r.err;
    const hostapp::Mesh out = ReadMesh(Path("out.obj"));
    ASSERT_EQ(out.points.size(), mesh.points.size());
    for (const C4D_Vector& p : out.points) ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    EXPECT_LT(Size(out.points), 2.0 * Size(mesh.points));
    ++tried;
  }
  EXPECT_GE(tried, 3);
}

}  // namespace
}  // namespace e2e
