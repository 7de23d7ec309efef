#include "hostapp/io/obj.h"

#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>
#include <vector>

#include "hostapp/io/atomic_file.h"
#include "hostapp/io/text_scan.h"
#include "hostapp/services/limits.h"
#include "hostapp/services/printable.h"

namespace hostapp {

namespace {

using io_detail::LineReader;
using io_detail::NextToken;
using io_detail::ParseDouble;
using io_detail::ParseInt64;
using io_detail::QuoteToken;

// A positive index beyond the vertices read so far: valid only if the file defines enough
// vertices later, which is checked once the whole file was read.
struct ForwardReference {
  int64_t index;  // 1-based, as written
  int64_t line;
};

class ObjParser {
 public:
  explicit ObjParser(const std::string& path) : path_(path) {}

  // in: one line of the file and its number.  out: false with error_ set.
  bool Line(std::string_view line, int64_t number) {
    line_ = number;
    std::string_view keyword;
    if (!NextToken(&line, &keyword)) return true;
    if (keyword == "v") return ParseVertex(line);
    if (keyword == "f") return ParseFace(line);
    return true;
  }

  // Called after the last line.  out: true with mesh_ complete; false with error_ set.
  bool Finish() {
    if (mesh_.points.empty()) return Fail(PrintableText(path_) + ": no vertices (no 'v' lines) in the file");
    for (const ForwardReference& ref : forward_) {
      if (ref.index > static_cast<int64_t>(mesh_.points.size())) {
        line_ = ref.line;
        return FailAtLine("vertex index " + std::to_string(ref.index) + " is out of range (the file has " +
                          std::to_string(mesh_.points.size()) + " vertices)");
      }
    }
    return true;
  }

  Mesh& mesh() { return mesh_; }
  const std::string& error() const { return error_; }

 private:
  bool Fail(const std::string& message) {
    error_ = message;
    return false;
  }
  bool FailAtLine(const std::string& message) {
    return Fail(PrintableText(path_) + ":" + std::to_string(line_) + ": " + message);
  }

  // in: *rest, the rest of a statement. out: *token, its next value; false at the end of the
  // line or where a comment ("#" to the end of the line) starts.
  static bool NextValue(std::string_view* rest, std::string_view* token) {
    return NextToken(rest, token) && token->front() != '#';
  }

  // in: the rest of a "v" line: x y z, then optionally w, or a colour r g b, or r g b a.
  bool ParseVertex(std::string_view rest) {
    double xyz[3];
    std::string_view token;
    for (double& c : xyz) {
      if (!NextValue(&rest, &token)) return FailAtLine("a vertex needs three coordinates");
      if (!ParseDouble(token, &c))
        return FailAtLine("vertex coordinate " + QuoteToken(token) + " is not a finite number");
    }
    for (int extra = 0; NextValue(&rest, &token); ++extra) {
      double unused = 0;
      if (!ParseDouble(token, &unused)) {
        return FailAtLine(QuoteToken(token) +
                          " after the vertex's coordinates is not a number (a vertex is x y z, optionally "
                          "followed by w or a colour)");
      }
      if (extra == 4) return FailAtLine("a vertex has more than seven numbers");
    }
    if (static_cast<int64_t>(mesh_.points.size()) >= kMaxMeshPoints) {
      return FailAtLine("more than " + std::to_string(kMaxMeshPoints) + " vertices, more than a mesh may hold");
    }
    mesh_.points.push_back(C4D_Vector{xyz[0], xyz[1], xyz[2]});
    return true;
  }

  // in: one corner token (v, v/vt, v//vn, v/vt/vn).  out: *index, 0-based; false with the
  //     error set when the token is malformed or the index cannot be valid.
  bool ParseCorner(std::string_view token, int32_t* index) {
    std::string_view parts[3];
    int part_count = 0;
    std::string_view rest = token;
    for (;;) {
      size_t slash = rest.find('/');
      if (part_count == 3) return FailAtLine("face corner " + QuoteToken(token) + " has more than three parts");
      parts[part_count++] = rest.substr(0, slash);
      if (slash == std::string_view::npos) break;
      rest.remove_prefix(slash + 1);
    }
    int64_t v = 0, unused = 0;
    bool ok = ParseInt64(parts[0], &v);
    if (ok && part_count >= 2) ok = (parts[1].empty() && part_count == 3) || ParseInt64(parts[1], &unused);
    if (ok && part_count == 3) ok = ParseInt64(parts[2], &unused);
    if (!ok) return FailAtLine("face corner " + QuoteToken(token) + " is not of the form v, v/vt, v//vn or v/vt/vn");
    const int64_t count = static_cast<int64_t>(mesh_.points.size());
    if (v == 0)
      return FailAtLine("face corner " + QuoteToken(token) + ": vertex index 0 is not valid (indices start at 1)");
    if (v < 0) {
      if (v < -count) {  // not -v > count: -v overflows for the most negative index
        return FailAtLine("face corner " + QuoteToken(token) + ": relative index reaches before the first vertex (" +
                          std::to_string(count) + " read so far)");
      }
      *index = static_cast<int32_t>(count + v);
      return true;
    }
    if (v > kMaxMeshPoints) {
      return FailAtLine("face corner " + QuoteToken(token) + ": vertex index " + std::to_string(v) +
                        " is out of range (a mesh holds at most " + std::to_string(kMaxMeshPoints) + " vertices)");
    }
    if (v > count) forward_.push_back(ForwardReference{v, line_});
    *index = static_cast<int32_t>(v - 1);
    return true;
  }

  // in: the rest of an "f" line.  Appends the face, split as documented in obj.h.
  bool ParseFace(std::string_view rest) {
    corners_.clear();
    std::string_view token;
    while (NextValue(&rest, &token)) {
      int32_t index;
      if (!ParseCorner(token, &index)) return false;
      corners_.push_back(index);
    }
    const size_t n = corners_.size();
    if (n < 3) return FailAtLine("a face needs at least 3 corners, this one has " + std::to_string(n));
    if (static_cast<int64_t>(mesh_.polygons.size() + n / 2) > kMaxMeshPolygons) {
      return FailAtLine("more than " + std::to_string(kMaxMeshPolygons) + " polygons, more than a mesh may hold");
    }
    if (n <= 4) {
      mesh_.polygons.push_back(C4D_CPolygon{corners_[0], corners_[1], corners_[2], corners_[n == 4 ? 3 : 2]});
      return true;
    }
    size_t k = 1;
    for (; k + 2 < n; k += 2) {
      mesh_.polygons.push_back(C4D_CPolygon{corners_[0], corners_[k], corners_[k + 1], corners_[k + 2]});
    }
    if (k + 1 < n) mesh_.polygons.push_back(C4D_CPolygon{corners_[0], corners_[k], corners_[k + 1], corners_[k + 1]});
    return true;
  }

  std::string path_;
  Mesh mesh_;
  std::string error_;
  int64_t line_ = 0;
  std::vector<int32_t> corners_;
  std::vector<ForwardReference> forward_;
};

// Writes c as printf's "%.17g" would, whatever the process locale, and returns the end.
char* FormatCoordinate(double c, char* first, char* last) {
  return std::to_chars(first, last, c, std::chars_format::general, 17).ptr;
}

// in: lines, a LineReader or FileLineReader; parser. out: true with the parser's mesh
// complete; false with *error from the parser, or from the reader when it failed.
template <typename Lines>
bool ParseLines(Lines& lines, ObjParser& parser, Mesh* out, std::string* error) {
  std::string_view line;
  bool ok = true;
  while (ok && lines.Next(&line)) ok = parser.Line(line, lines.line_number());
  if constexpr (std::is_same_v<Lines, io_detail::FileLineReader>) {
    if (ok && !lines.error().empty()) {
      if (error) *error = lines.error();
      return false;
    }
  }
  if (!ok || !parser.Finish()) {
    if (error) *error = parser.error();
    return false;
  }
  *out = std::move(parser.mesh());
  return true;
}

}  // namespace

bool ReadObj(const std::string& path, Mesh* out, std::string* error) {
  io_detail::FileLineReader lines;
  if (!lines.Open(path)) {
    if (error) *error = lines.error();
    return false;
  }
  ObjParser parser(path);
  return ParseLines(lines, parser, out, error);
}

bool ParseObj(std::string_view text, const std::string& name, Mesh* out, std::string* error) {
  LineReader lines(text);
  ObjParser parser(name);
  return ParseLines(lines, parser, out, error);
}

bool WriteObj(const std::string& path, const Mesh& mesh, std::string* error) {
  const size_t n = mesh.points.size();
  for (size_t i = 0; i < n; ++i) {
    const C4D_Vector& p = mesh.points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      if (error) *error = path + ": point " + std::to_string(i) + " has a coordinate that is not finite";
      return false;
    }
  }
  for (size_t i = 0; i < mesh.polygons.size(); ++i) {
    const C4D_CPolygon& q = mesh.polygons[i];
    for (int32_t c : {q.a, q.b, q.c, q.d}) {
      if (c < 0 || static_cast<size_t>(c) >= n) {
        if (error) {
          *error = path + ": polygon " + std::to_string(i) + " uses point " + std::to_string(c) + ", out of range (" +
                   std::to_string(n) + " points)";
        }
        return false;
      }
    }
  }
  return WriteFileAtomically(
      path,
      [&](std::FILE* f, std::string* write_error) {
        bool ok = std::fprintf(f, "# %zu points, %zu polygons\n", n, mesh.polygons.size()) > 0;
        for (size_t i = 0; ok && i < n; ++i) {
          const C4D_Vector& p = mesh.points[i];
          char line[3 * 32 + 8] = "v";
          char* end = line + 1;
          for (double c : {p.x, p.y, p.z}) {
            *end++ = ' ';
            end = FormatCoordinate(c, end, line + sizeof line);
          }
          *end++ = '\n';
          ok = std::fwrite(line, 1, static_cast<size_t>(end - line), f) == static_cast<size_t>(end - line);
        }
        for (size_t i = 0; ok && i < mesh.polygons.size(); ++i) {
          const C4D_CPolygon& q = mesh.polygons[i];
          if (q.c == q.d) {
            ok = std::fprintf(f, "f %" PRId32 " %" PRId32 " %" PRId32 "\n", q.a + 1, q.b + 1, q.c + 1) > 0;
          } else {
            ok = std::fprintf(f, "f %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 "\n", q.a + 1, q.b + 1, q.c + 1,
                              q.d + 1) > 0;
          }
        }
        if (!ok) *write_error = std::string("write failed: ") + std::strerror(errno);
        return ok;
      },
      error);
}

}  // namespace hostapp
