#include "hostapp/services/adjacency.h"

#include <cstring>

#include "hostapp/services/memory.h"

namespace hostapp {
namespace {

// A side filed under its lower point: its upper point and its number (polygon * 4 + side).
struct SideRef {
  int32_t hi;
  uint32_t side;
};

// The sides of one edge met so far while scanning the sides under one lower point.
struct EdgeGroup {
  int32_t stamp;    // lower point the group belongs to; another value: no group yet
  uint32_t leader;  // first side of the edge (lowest number)
  int32_t first;    // its polygon, the lowest one on the edge
  int32_t second;   // lowest polygon on the edge other than first, -1 if none
};

// An array of n T from the host allocator; NULL when out of memory.
template <class T>
T* NewArray(int64_t n, bool clear = false) {
  const int64_t bytes = n * static_cast<int64_t>(sizeof(T));
  return static_cast<T*>(clear ? MemoryAllocClear(bytes, __LINE__, __FILE__)
                               : MemoryAlloc(bytes, __LINE__, __FILE__));
}

// Frees a temporary array when the build ends, whichever way.
template <class T>
struct TempArray {
  T* p = nullptr;
  ~TempArray() { MemoryFree(p); }
};

inline bool IsTriangle(const C4D_CPolygon& q) { return q.c == q.d; }

// Ordered corners (x, y) of side s: 0 (a,b), 1 (b,c), 2 (c,d), 3 (d,a).
inline void SideCorners(const C4D_CPolygon& q, int s, int32_t* x, int32_t* y) {
  switch (s) {
    case 0: *x = q.a; *y = q.b; break;
    case 1: *x = q.b; *y = q.c; break;
    case 2: *x = q.c; *y = q.d; break;
    default: *x = q.d; *y = q.a; break;
  }
}

inline int32_t Lower(int32_t x, int32_t y) { return x < y ? x : y; }
inline int32_t Upper(int32_t x, int32_t y) { return x < y ? y : x; }

// Calls f(x) for each distinct corner of q.
template <class F>
inline void ForDistinctCorners(const C4D_CPolygon& q, F&& f) {
  f(q.a);
  if (q.b != q.a) f(q.b);
  if (q.c != q.a && q.c != q.b) f(q.c);
  if (q.d != q.a && q.d != q.b && q.d != q.c) f(q.d);
}

}  // namespace

Adjacency::~Adjacency() { Clear(); }

void Adjacency::Clear() {
  MemoryFree(info_);
  MemoryFree(pointStart_);
  MemoryFree(pointPolys_);
  info_ = nullptr;
  pointStart_ = nullptr;
  pointPolys_ = nullptr;
  pointCount_ = polygonCount_ = edgeCount_ = 0;
}

bool Adjacency::Build(int32_t pointCount, const C4D_CPolygon* polygons, int32_t polygonCount) {
  Clear();
  if (pointCount < 0 || polygonCount < 0 || polygonCount > kMaxPolygons) return false;
  if (polygonCount > 0 && !polygons) return false;
  const int32_t n = pointCount, m = polygonCount;
  const auto inRange = [n](int32_t x) { return static_cast<uint32_t>(x) < static_cast<uint32_t>(n); };
  for (int32_t p = 0; p < m; ++p) {
    const C4D_CPolygon& q = polygons[p];
    if (!inRange(q.a) || !inRange(q.b) || !inRange(q.c) || !inRange(q.d)) return false;
  }

  // Count sides per lower point and polygons per point, one slot to the right, so that a
  // prefix sum turns the counts into start offsets.
  TempArray<int32_t> sideStart;
  sideStart.p = NewArray<int32_t>(int64_t{n} + 1, true);
  int32_t* pointStart = NewArray<int32_t>(int64_t{n} + 1, true);
  C4D_PolyInfo* info = NewArray<C4D_PolyInfo>(m);
  pointStart_ = pointStart;
  info_ = info;
  if (!sideStart.p || !pointStart || !info) return Clear(), false;
  for (int32_t p = 0; p < m; ++p) {
    const C4D_CPolygon& q = polygons[p];
    const bool tri = IsTriangle(q);
    for (int s = 0; s < 4; ++s) {
      if (tri && s == 2) continue;
      int32_t x, y;
      SideCorners(q, s, &x, &y);
      ++sideStart.p[Lower(x, y) + 1];
    }
    ForDistinctCorners(q, [pointStart](int32_t x) { ++pointStart[x + 1]; });
  }
  for (int32_t i = 0; i < n; ++i) {
    sideStart.p[i + 1] += sideStart.p[i];
    pointStart[i + 1] += pointStart[i];
  }

  // File the sides under their lower points and the polygons under their points, both in
  // polygon order (side order within a polygon). Each start offset advances to its end.
  TempArray<SideRef> sides;
  sides.p = NewArray<SideRef>(sideStart.p[n]);
  pointPolys_ = NewArray<int32_t>(pointStart[n]);
  if (!sides.p || (!pointPolys_ && pointStart[n] > 0)) return Clear(), false;
  int32_t* pointPolys = pointPolys_;
  for (int32_t p = 0; p < m; ++p) {
    const C4D_CPolygon& q = polygons[p];
    const bool tri = IsTriangle(q);
    for (int s = 0; s < 4; ++s) {
      if (tri && s == 2) continue;
      int32_t x, y;
      SideCorners(q, s, &x, &y);
      sides.p[sideStart.p[Lower(x, y)]++] = {Upper(x, y), static_cast<uint32_t>(p) * 4u + static_cast<uint32_t>(s)};
    }
    ForDistinctCorners(q, [pointStart, pointPolys, p](int32_t x) { pointPolys[pointStart[x]++] = p; });
  }
  for (int32_t i = n; i > 0; --i) pointStart[i] = pointStart[i - 1];  // ends back to starts
  pointStart[0] = 0;

  // Under each lower point, group the sides by upper point: the first side of a group is
  // the edge's first occurrence, its polygon the lowest on the edge. face[] gets the lowest
  // other polygon; edge[] holds the leading side's number until the edges are numbered.
  TempArray<EdgeGroup> groups;
  groups.p = NewArray<EdgeGroup>(n);
  if (!groups.p && n > 0) return Clear(), false;
  for (int32_t i = 0; i < n; ++i) groups.p[i].stamp = -1;
  for (int32_t u = 0, begin = 0; u < n; begin = sideStart.p[u++]) {
    const int32_t end = sideStart.p[u];
    for (int32_t k = begin; k < end; ++k) {
      const SideRef r = sides.p[k];
      EdgeGroup& g = groups.p[r.hi];
      const auto poly = static_cast<int32_t>(r.side >> 2);
      if (g.stamp != u) g = {u, r.side, poly, -1};
      else if (g.second < 0 && poly != g.first) g.second = poly;
    }
    for (int32_t k = begin; k < end; ++k) {
      const SideRef r = sides.p[k];
      const EdgeGroup& g = groups.p[r.hi];
      const auto poly = static_cast<int32_t>(r.side >> 2);
      C4D_PolyInfo& pi = info[poly];
      pi.face[r.side & 3] = poly != g.first ? g.first : g.second;
      pi.edge[r.side & 3] = static_cast<int32_t>(g.leader);
    }
  }

  // Number the edges in order of first occurrence; a later side takes its leader's number.
  int32_t edges = 0;
  for (int32_t p = 0; p < m; ++p) {
    C4D_PolyInfo& pi = info[p];
    const bool tri = IsTriangle(polygons[p]);
    for (int s = 0; s < 4; ++s) {
      if (tri && s == 2) {
        pi.face[2] = -1;
        pi.edge[2] = -1;
        pi.mark[2] = true;
        continue;
      }
      const auto leader = static_cast<uint32_t>(pi.edge[s]);
      if (leader == static_cast<uint32_t>(p) * 4u + static_cast<uint32_t>(s)) {
        pi.edge[s] = edges++;
        pi.mark[s] = false;
      } else {
        pi.edge[s] = info[leader >> 2].edge[leader & 3];
        pi.mark[s] = true;
      }
    }
  }

  pointCount_ = n;
  polygonCount_ = m;
  edgeCount_ = edges;
  return true;
}

const C4D_PolyInfo* Adjacency::PolyInfo(int32_t polygon) const {
  if (polygon < 0 || polygon >= polygonCount_) return nullptr;
  return &info_[polygon];
}

void Adjacency::PointPolys(int32_t point, const int32_t** polys, int32_t* count) const {
  const int32_t* list = nullptr;
  int32_t c = 0;
  if (point >= 0 && point < pointCount_) {
    c = pointStart_[point + 1] - pointStart_[point];
    if (c > 0) list = pointPolys_ + pointStart_[point];
  }
  if (polys) *polys = list;
  if (count) *count = c;
}

}  // namespace hostapp
