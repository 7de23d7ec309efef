#include "hostapp/app/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_map>

#include "hostapp/io/atomic_file.h"

namespace hostapp {

namespace {

// out: the corners of a polygon in order: 3 for a triangle (c == d), else 4.
int CornerCount(const C4D_CPolygon& p) { return p.c == p.d ? 3 : 4; }

int32_t Corner(const C4D_CPolygon& p, int i) {
  switch (i) {
    case 0:
      return p.a;
    case 1:
      return p.b;
    case 2:
      return p.c;
    default:
      return p.d;
  }
}

// out: a key for the directed side a->b.
uint64_t SideKey(int32_t a, int32_t b) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

double Length(const C4D_Vector& a, const C4D_Vector& b) {
  const double x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
  return std::sqrt(x * x + y * y + z * z);
}

// out: a . (b x c).
double TripleProduct(const C4D_Vector& a, const C4D_Vector& b, const C4D_Vector& c) {
  return a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x);
}

// out: v with 9 significant digits; empty for NaN.
std::string Number(double v) {
  if (std::isnan(v)) return std::string();
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.9g", v);
  return buf;
}

// out: the ratio furthest from 1 of a and b; NaN stays only when both are NaN.
double FurtherFromOne(double a, double b) {
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  return std::fabs(b - 1.0) > std::fabs(a - 1.0) ? b : a;
}

}  // namespace

std::vector<MeshEdge> UniqueEdges(const std::vector<C4D_CPolygon>& polygons) {
  std::vector<MeshEdge> edges;
  std::unordered_map<uint64_t, bool> seen;
  seen.reserve(polygons.size() * 3);
  for (const C4D_CPolygon& p : polygons) {
    const int n = CornerCount(p);
    for (int i = 0; i < n; ++i) {
      int32_t a = Corner(p, i), b = Corner(p, (i + 1) % n);
      if (a == b) continue;
      if (a > b) std::swap(a, b);
      if (seen.emplace(SideKey(a, b), true).second) edges.push_back(MeshEdge{a, b});
    }
  }
  return edges;
}

void EdgeChange::Add(const EdgeChange& other) {
  sum += other.sum;
  max = std::max(max, other.max);
  edges += other.edges;
  non_finite += other.non_finite;
  changes.insert(changes.end(), other.changes.begin(), other.changes.end());
  Finish();
}

void EdgeChange::Finish() {
  if (changes.empty()) return;
  // The smallest value with at least 95 % of the values at or below it: rank ceil(0.95 n).
  const size_t rank = (95 * changes.size() + 99) / 100;
  std::nth_element(changes.begin(), changes.begin() + static_cast<std::ptrdiff_t>(rank - 1), changes.end());
  p95 = changes[rank - 1];
}

EdgeChange MeasureEdgeChange(const std::vector<C4D_Vector>& rest, const std::vector<C4D_Vector>& deformed,
                             const std::vector<MeshEdge>& edges) {
  EdgeChange change;
  const size_t n = std::min(rest.size(), deformed.size());
  for (const MeshEdge& e : edges) {
    if (e.a < 0 || e.b < 0 || static_cast<size_t>(e.a) >= n || static_cast<size_t>(e.b) >= n) continue;
    const double l0 = Length(rest[e.a], rest[e.b]);
    if (!(l0 > 0)) continue;
    const double l = Length(deformed[e.a], deformed[e.b]);
    if (!std::isfinite(l)) {
      ++change.non_finite;
      continue;
    }
    const double d = std::fabs(l - l0) / l0;
    change.sum += d;
    change.max = std::max(change.max, d);
    change.changes.push_back(d);
    ++change.edges;
  }
  change.Finish();
  return change;
}

bool IsClosedMesh(const std::vector<C4D_CPolygon>& polygons, size_t point_count) {
  if (polygons.empty()) return false;
  std::unordered_map<uint64_t, int32_t> sides;  // directed side -> uses
  sides.reserve(polygons.size() * 4);
  for (const C4D_CPolygon& p : polygons) {
    const int n = CornerCount(p);
    for (int i = 0; i < n; ++i) {
      const int32_t a = Corner(p, i), b = Corner(p, (i + 1) % n);
      if (a < 0 || b < 0 || static_cast<size_t>(a) >= point_count || static_cast<size_t>(b) >= point_count) {
        return false;
      }
      if (a == b) return false;
      if (++sides[SideKey(a, b)] > 1) return false;
    }
  }
  for (const auto& side : sides) {
    const int32_t a = static_cast<int32_t>(side.first >> 32), b = static_cast<int32_t>(side.first & 0xffffffffu);
    if (sides.find(SideKey(b, a)) == sides.end()) return false;
  }
  return true;
}

double SignedVolume(const std::vector<C4D_Vector>& points, const std::vector<C4D_CPolygon>& polygons) {
  double six_volume = 0;
  for (const C4D_CPolygon& p : polygons) {
    six_volume += TripleProduct(points[p.a], points[p.b], points[p.c]);
    if (p.c != p.d) six_volume += TripleProduct(points[p.a], points[p.c], points[p.d]);
  }
  return six_volume / 6.0;
}

const char* const kReportCsvHeader =
    "frame,time_s,"
    "skin_strain_mean,skin_strain_p95,skin_strain_max,skin_volume_ratio,skin_detail_kept,skin_self_intersections,"
    "corrected_strain_mean,corrected_strain_p95,corrected_strain_max,corrected_volume_ratio,corrected_detail_kept,"
    "corrected_self_intersections";

std::string ReportCsv(const std::vector<FrameReport>& rows) {
  auto fields = [](const MeshFigures& m) {
    return Number(m.strain.Mean()) + ',' + Number(m.strain.p95) + ',' + Number(m.strain.max) + ',' +
           Number(m.volume_ratio) + ',' + Number(m.detail_kept) + ',' +
           (m.self_intersections >= 0 ? std::to_string(m.self_intersections) : std::string());
  };
  std::string out = kReportCsvHeader;
  out += '\n';
  for (const FrameReport& r : rows) {
    out += std::to_string(r.frame) + ',' + Number(r.time) + ',' + fields(r.skin) + ',' + fields(r.corrected) + '\n';
  }
  return out;
}

bool WriteReportCsv(const std::string& path, const std::vector<FrameReport>& rows, std::string* error) {
  const std::string text = ReportCsv(rows);
  return WriteFileAtomically(path, text, error);
}

std::string ReportTableHeader() {
  return "         ------------------ skin only -------------------"
         "   ------------------ corrected -------------------\n"
         "  frame  strain %: mean   p95     max  volume detail  x-faces"
         "  strain %: mean   p95     max  volume detail  x-faces\n";
}

std::string ReportTableRow(const FrameReport& r) {
  auto figures = [](const MeshFigures& m) {
    char volume[16], detail[16], crossings[24], text[120];
    auto ratio = [](double v, char* buf, size_t size) {
      if (std::isnan(v)) {
        std::snprintf(buf, size, "%6s", "-");
      } else {
        std::snprintf(buf, size, "%6.3f", v);
      }
    };
    ratio(m.volume_ratio, volume, sizeof volume);
    ratio(m.detail_kept, detail, sizeof detail);
    if (m.self_intersections >= 0) {
      std::snprintf(crossings, sizeof crossings, "%7lld", static_cast<long long>(m.self_intersections));
    } else {
      std::snprintf(crossings, sizeof crossings, "%7s", "-");
    }
    std::snprintf(text, sizeof text, "%14.2f %5.2f %7.1f  %s %s  %s", 100.0 * m.strain.Mean(), 100.0 * m.strain.p95,
                  100.0 * m.strain.max, volume, detail, crossings);
    return std::string(text);
  };
  char frame[16];
  std::snprintf(frame, sizeof frame, "%7d", r.frame);
  return frame + figures(r.skin) + "  " + figures(r.corrected) + "\n";
}

std::string ReportTable(const std::vector<FrameReport>& rows) {
  std::string out = ReportTableHeader();
  for (const FrameReport& r : rows) out += ReportTableRow(r);
  return out;
}

ReportSummary Summarize(const std::vector<FrameReport>& rows) {
  ReportSummary s;
  s.skin_worst_volume = s.corrected_worst_volume = std::numeric_limits<double>::quiet_NaN();
  for (const FrameReport& r : rows) {
    s.skin_mean += r.skin.strain.Mean();
    s.corrected_mean += r.corrected.strain.Mean();
    s.skin_max = std::max(s.skin_max, r.skin.strain.max);
    s.corrected_max = std::max(s.corrected_max, r.corrected.strain.max);
    s.skin_worst_volume = FurtherFromOne(s.skin_worst_volume, r.skin.volume_ratio);
    s.corrected_worst_volume = FurtherFromOne(s.corrected_worst_volume, r.corrected.volume_ratio);
  }
  s.frames = static_cast<int32_t>(rows.size());
  if (!rows.empty()) {
    s.skin_mean /= static_cast<double>(rows.size());
    s.corrected_mean /= static_cast<double>(rows.size());
  }
  return s;
}

}  // namespace hostapp
