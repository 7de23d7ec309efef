// Yardstick adjacency: neighbour lists and polygons around points on flat arrays.
#include <algorithm>

#include "yardstick.h"

namespace bench {
namespace {

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
  // Counting sort of the sides by their lower corner: rows of (upper corner, side id), each
  // row in ascending side id because the sides are dealt in that order.
  std::vector<int32_t> rowStart(static_cast<size_t>(n) + 1, 0);
  for (int32_t p = 0; p < m; ++p) {
    const CPolygon& q = polygons[p];
    for (int32_t s = 0; s < 4; ++s) {
      if (s == 2 && q.c == q.d) continue;  // a triangle has no side c-d
      int32_t x, y;
      Corners(q, s, &x, &y);
      ++rowStart[static_cast<size_t>(std::min(x, y)) + 1];
    }
  }
  for (int32_t i = 0; i < n; ++i) rowStart[i + 1] += rowStart[i];
  std::vector<int32_t> upper(static_cast<size_t>(rowStart[n]));
  std::vector<uint32_t> side(static_cast<size_t>(rowStart[n]));
  {
    std::vector<int32_t> cursor(rowStart.begin(), rowStart.end() - 1);
    for (int32_t p = 0; p < m; ++p) {
      const CPolygon& q = polygons[p];
      for (int32_t s = 0; s < 4; ++s) {
        if (s == 2 && q.c == q.d) continue;
        int32_t x, y;
        Corners(q, s, &x, &y);
        const int32_t at = cursor[std::min(x, y)]++;
        upper[at] = std::max(x, y);
        side[at] = static_cast<uint32_t>(p) * 4u + static_cast<uint32_t>(s);
      }
    }
  }

  // Within a row (a handful of sides), the first side with a given upper corner is the
  // edge's first occurrence; the edge is open when all its sides are of that side's polygon.
  std::vector<uint8_t> flags(static_cast<size_t>(m) * 4, 0);
  for (int32_t r = 0; r < n; ++r) {
    const int32_t b = rowStart[r], e = rowStart[r + 1];
    for (int32_t i = b; i < e; ++i) {
      bool seen = false;
      for (int32_t j = b; j < i && !seen; ++j) seen = upper[j] == upper[i];
      if (seen) continue;
      bool open = true;
      for (int32_t j = i + 1; j < e; ++j)
        if (upper[j] == upper[i] && (side[j] >> 2) != (side[i] >> 2)) open = false;
      flags[side[i]] = static_cast<uint8_t>(kFirst | (open ? kOpen : 0));
    }
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
