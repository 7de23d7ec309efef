// Quality figures of a deformed mesh against its rest mesh: how much the edges stretched or
// shrank, and how much volume a closed mesh gained or lost; and the per-frame report table
// built from them (console text and CSV).
#ifndef HOSTAPP_APP_REPORT_H
#define HOSTAPP_APP_REPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"

namespace hostapp {

// An undirected edge between two points, a < b.
struct MeshEdge {
  int32_t a = 0, b = 0;
};

// in: polygons (a triangle repeats its third corner, c == d). out: every distinct edge once,
// in order of first appearance (polygon order, then side order).
std::vector<MeshEdge> UniqueEdges(const std::vector<C4D_CPolygon>& polygons);

// Figures of the relative edge-length change (the edge strain) |l - l0| / l0 over many edges.
struct EdgeChange {
  double sum = 0;          // of the per-edge changes
  double max = 0;          // the largest per-edge change
  double p95 = 0;          // the 95th percentile (set by Finish)
  int64_t edges = 0;       // edges measured (edges of zero rest length are left out)
  int64_t non_finite = 0;  // edges whose deformed length is not finite
  std::vector<double> changes;  // every measured edge's change, until Finish

  // out: the mean change; 0 when no edge was measured.
  double Mean() const { return edges > 0 ? sum / static_cast<double>(edges) : 0.0; }
  // in: other figures. Adds them to these (pooling several meshes).
  void Add(const EdgeChange& other);
  // Sets p95 from the pooled changes (the smallest change that at least 95 % of the edges do
  // not exceed; 0 when none was measured) and lets the changes go.
  void Finish();
};

// in: rest and deformed points (same count), edges indexing both. out: the change of every
// edge with a rest length above zero (p95 set); an edge with a non-finite deformed length
// counts in non_finite only.
EdgeChange MeasureEdgeChange(const std::vector<C4D_Vector>& rest, const std::vector<C4D_Vector>& deformed,
                             const std::vector<MeshEdge>& edges);

// in: polygons, point count. out: true when the surface is closed and consistently oriented:
// every index is in range, no polygon repeats a corner other than a triangle's c == d, and
// every directed side a->b appears exactly once with its reverse b->a appearing exactly once.
bool IsClosedMesh(const std::vector<C4D_CPolygon>& polygons, size_t point_count);

// in: points, polygons (quads are split into (a, b, c) and (a, c, d)). out: the signed
// volume the surface encloses, by the divergence theorem: the sum over triangles of
// p0 . (p1 x p2) / 6. Positive when the faces turn outward counter-clockwise in a
// right-handed frame; only meaningful for a closed mesh. Indices must be in range.
double SignedVolume(const std::vector<C4D_Vector>& points, const std::vector<C4D_CPolygon>& polygons);

// The figures of one deformed mesh (or several pooled) against the rest.
struct MeshFigures {
  EdgeChange strain;
  // Deformed volume / rest volume, pooled over the closed meshes; NaN when none is closed.
  double volume_ratio = 0;
  // Deformed detail / rest detail (DetailMeasure), pooled over the meshes; NaN when the rest
  // has none.
  double detail_kept = 0;
  // Pairs of faces that pass through each other; -1 when not measured.
  int64_t self_intersections = -1;
};

// One row of the report: one frame, the skin alone against the skin followed by the
// corrective deformer, each measured against the rest mesh.
struct FrameReport {
  int32_t frame = 0;
  double time = 0;  // seconds
  MeshFigures skin, corrected;
};

// The CSV's header line (without line break).
extern const char* const kReportCsvHeader;

// in: rows. out: the CSV text: the header, then one line per row: frame, time, then for the
// skin alone and for the corrected mesh: mean, 95th percentile and max edge strain, volume
// ratio, detail kept and self-intersecting face pairs (empty fields when not measured).
// Numbers carry 9 significant digits.
std::string ReportCsv(const std::vector<FrameReport>& rows);
// in: path, rows. out: true when path holds ReportCsv(rows), written atomically; false with
// *error naming the file (nothing created or changed then).
bool WriteReportCsv(const std::string& path, const std::vector<FrameReport>& rows, std::string* error);

// The same figures as an aligned table for the console, edge changes in percent: a
// two-line header, then one line per row (each text ends with a line break).
std::string ReportTableHeader();
std::string ReportTableRow(const FrameReport& row);
// in: rows. out: the header and every row.
std::string ReportTable(const std::vector<FrameReport>& rows);

// Summary of the rows: means over rows of the mean edge strains, the largest max edge
// strains, and the volume ratios furthest from 1 (NaN when no mesh is closed).
struct ReportSummary {
  int32_t frames = 0;
  double skin_mean = 0, corrected_mean = 0;
  double skin_max = 0, corrected_max = 0;
  double skin_worst_volume = 0, corrected_worst_volume = 0;
};
// in: rows. out: their summary.
ReportSummary Summarize(const std::vector<FrameReport>& rows);

}  // namespace hostapp

#endif  // HOSTAPP_APP_REPORT_H
