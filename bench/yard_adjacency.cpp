// Yardstick adjacency: neighbour lists and polygons around points on flat arrays.
#include <algorithm>

#include "yardstick.h"

namespace bench {
namespace {

// One polygon side filed under its unordered edge.
struct Side {
  uint64_t edge;  // lower point << 32 | upper point
  uint32_t id;    // polygon * 4 + side
};

inline uint64_t EdgeKey(int32_t x, int32_t y) {
  const uint32_t lower = static_cast<uint32_t>(std::min(x, y)), upper = static_cast<uint32_t>(std::max(x, y));
  return static_cast<uint64_t>(lower) << 32 | upper;
}

// Ordered corners of side s (0 a-b, 1 b-c, 2 c-d, 3 d-a).
inline void Corners(const CPolygon& q, int32_t s, int32_t* x, int32_t* y) {
  const int32_t c[5] = {q.a, q.b, q.c, q.d, q.a};
  *x = c[s];
  *y = c[s + 1];
}

constexpr uint8_t kFirst = 1;  // the side is its edge's first occurrence
constexpr uint8_t kOpen = 2;   // no other polygon uses the edge

}  // namespace

void BuildCsrNeighbors(int32_t pointCount, const CPolygon* polygons, int32_t polygonCount, CsrNeighbors& lists) {
  const int32_t n = pointCount, m = polygonCount;
  std::vector<Side> sides;
  sides.reserve(static_cast<size_t>(m) * 4);
  for (int32_t p = 0; p < m; ++p) {
    const CPolygon& q = polygons[p];
    for (int32_t s = 0; s < 4; ++s) {
      if (s == 2 && q.c == q.d) continue;  // a triangle has no side c-d
      int32_t x, y;
      Corners(q, s, &x, &y);
      sides.push_back({EdgeKey(x, y), static_cast<uint32_t>(p) * 4u + static_cast<uint32_t>(s)});
    }
  }
  std::sort(sides.begin(), sides.end(),
            [](const Side& l, const Side& r) { return l.edge != r.edge ? l.edge < r.edge : l.id < r.id; });

  // Each run of equal edges: its first side is the first occurrence; the edge is open when
  // every side of the run belongs to that side's polygon.
  std::vector<uint8_t> flags(static_cast<size_t>(m) * 4, 0);
  for (size_t i = 0; i < sides.size();) {
    size_t j = i + 1;
    bool open = true;
    const uint32_t poly = sides[i].id >> 2;
    while (j < sides.size() && sides[j].edge == sides[i].edge) {
      if ((sides[j].id >> 2) != poly) open = false;
      ++j;
    }
    flags[sides[i].id] = static_cast<uint8_t>(kFirst | (open ? kOpen : 0));
    i = j;
  }

  // Count, offset, fill: both endpoints of every first occurrence, in polygon then side order.
  lists.start.assign(static_cast<size_t>(n) + 1, 0);
  lists.borders.assign(static_cast<size_t>(n), 0);
  for (int32_t p = 0; p < m; ++p) {
    for (int32_t s = 0; s < 4; ++s) {
      const uint8_t f = flags[static_cast<size_t>(p) * 4 + s];
      if (!(f & kFirst)) continue;
      int32_t x, y;
      Corners(polygons[p], s, &x, &y);
      ++lists.start[x + 1];
      ++lists.start[y + 1];
      if (f & kOpen) lists.borders[x] = lists.borders[y] = 1;
    }
  }
  for (int32_t i = 0; i < n; ++i) lists.start[i + 1] += lists.start[i];
  lists.items.resize(static_cast<size_t>(lists.start[n]));
  std::vector<int32_t> cursor(lists.start.begin(), lists.start.end() - 1);
  for (int32_t p = 0; p < m; ++p) {
    for (int32_t s = 0; s < 4; ++s) {
      if (!(flags[static_cast<size_t>(p) * 4 + s] & kFirst)) continue;
      int32_t x, y;
      Corners(polygons[p], s, &x, &y);
      lists.items[cursor[x]++] = y;
      lists.items[cursor[y]++] = x;
    }
  }
}

void BuildCsrPointPolygons(int32_t pointCount, const CPolygon* polygons, int32_t polygonCount,
                           CsrPointPolygons& around) {
  const int32_t n = pointCount, m = polygonCount;
  // Calls f(x) once for every distinct corner of q.
  auto forCorners = [](const CPolygon& q, auto&& f) {
    f(q.a);
    if (q.b != q.a) f(q.b);
    if (q.c != q.a && q.c != q.b) f(q.c);
    if (q.d != q.a && q.d != q.b && q.d != q.c) f(q.d);
  };
  around.start.assign(static_cast<size_t>(n) + 1, 0);
  for (int32_t p = 0; p < m; ++p) forCorners(polygons[p], [&](int32_t x) { ++around.start[x + 1]; });
  for (int32_t i = 0; i < n; ++i) around.start[i + 1] += around.start[i];
  around.items.resize(static_cast<size_t>(around.start[n]));
  std::vector<int32_t> cursor(around.start.begin(), around.start.end() - 1);
  for (int32_t p = 0; p < m; ++p) forCorners(polygons[p], [&](int32_t x) { around.items[cursor[x]++] = p; });
}

}  // namespace bench
