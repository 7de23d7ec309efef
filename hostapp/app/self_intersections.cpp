// Self-intersections counted with CGAL's polygon mesh processing, when the build has it.
#include <unordered_set>
#include <utility>

#include "hostapp/app/surface_measures.h"

#ifdef TAVREN_HAVE_CGAL
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Surface_mesh.h>
#endif

namespace hostapp {

#ifdef TAVREN_HAVE_CGAL

bool SelfIntersectionsMeasured() { return true; }

int64_t CountSelfIntersections(const std::vector<C4D_Vector>& points, const std::vector<C4D_CPolygon>& polygons) {
  using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
  using SurfaceMesh = CGAL::Surface_mesh<Kernel::Point_3>;
  using Face = SurfaceMesh::Face_index;
  SurfaceMesh mesh;
  std::vector<SurfaceMesh::Vertex_index> vertices;
  vertices.reserve(points.size());
  for (const C4D_Vector& p : points) vertices.push_back(mesh.add_vertex(Kernel::Point_3(p.x, p.y, p.z)));
  std::vector<int64_t> polygon_of;  // by face index: the polygon the triangle came from
  polygon_of.reserve(polygons.size() * 2);
  for (size_t i = 0; i < polygons.size(); ++i) {
    const C4D_CPolygon& q = polygons[i];
    const int32_t tris[2][3] = {{q.a, q.b, q.c}, {q.a, q.c, q.d}};
    for (int t = 0; t < (q.c == q.d ? 1 : 2); ++t) {
      const Face f = mesh.add_face(vertices[tris[t][0]], vertices[tris[t][1]], vertices[tris[t][2]]);
      if (f == SurfaceMesh::null_face()) return -1;
      polygon_of.push_back(static_cast<int64_t>(i));
    }
  }
  std::vector<std::pair<Face, Face>> pairs;
  CGAL::Polygon_mesh_processing::self_intersections(mesh, std::back_inserter(pairs));
  std::unordered_set<uint64_t> distinct;
  for (const std::pair<Face, Face>& pair : pairs) {
    int64_t a = polygon_of[static_cast<size_t>(pair.first.idx())], b = polygon_of[static_cast<size_t>(pair.second.idx())];
    if (a == b) continue;  // the two halves of one bent quad
    if (a > b) std::swap(a, b);
    distinct.insert((static_cast<uint64_t>(a) << 32) | static_cast<uint64_t>(b));
  }
  return static_cast<int64_t>(distinct.size());
}

#else

bool SelfIntersectionsMeasured() { return false; }

int64_t CountSelfIntersections(const std::vector<C4D_Vector>&, const std::vector<C4D_CPolygon>&) { return -1; }

#endif

}  // namespace hostapp
