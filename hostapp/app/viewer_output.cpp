#include "hostapp/app/viewer_output.h"

#include <cstdio>
#include <filesystem>

#include "hostapp/io/text_scan.h"
#include "hostapp/scene/description.h"
#include "hostapp/scene/node.h"
#include "hostapp/scene/object.h"
#include "hostapp/scene/tag.h"

namespace hostapp {

namespace {

// in: the entry, the value the node holds under its id (C4D_DA_NIL when none). out: the
// value as the interface shows it.
std::string ShowValue(const DescParameter& p, const C4D_Data& d) {
  if (d.type == C4D_DA_NIL) {
    return p.type == DescType::kBool ? "off" : p.type == DescType::kLink ? "none" : "not set";
  }
  switch (p.type) {
    case DescType::kBool:
      return d.i32 != 0 ? "on" : "off";
    case DescType::kLong:
      for (const DescChoice& c : p.cycle) {
        if (c.value == d.i32) return c.label;
      }
      return std::to_string(d.i32);
    case DescType::kReal: {
      char text[32];
      std::snprintf(text, sizeof text, "%g", d.f64);
      return text;
    }
    case DescType::kString:
    case DescType::kStaticText:
      return d.str ? d.str : "";
    case DescType::kLink:
      return d.link ? FromC(d.link)->Name() : "none";
    default:
      return "";
  }
}

bool IsValueEntry(DescType type) {
  return type == DescType::kBool || type == DescType::kLong || type == DescType::kReal ||
         type == DescType::kString || type == DescType::kStaticText || type == DescType::kLink;
}

}  // namespace

ViewerSettings DescribeSettings(Node& tag, const std::string& title) {
  ViewerSettings out;
  out.title = title;
  Description d;
  if (!DescribeNode(tag, &d)) return out;
  for (const DescParameter& p : d.params) {
    if (p.line == 0 || !IsValueEntry(p.type)) continue;  // the host's own entries have no line
    C4D_Data value{};
    tag.GetParameter(p.id, &value);
    out.entries.push_back(ViewerSetting{p.label, ShowValue(p, value)});
  }
  return out;
}

bool WriteComparisonViewer(const ComparisonJob& job, const ComparisonOutcome& outcome, std::string* path,
                           std::string* error) {
  namespace fs = std::filesystem;
  const fs::path dir(job.out_dir);
  ViewerInput input;
  input.title = job.stem;
  if (outcome.skin_gltf_file.empty() || outcome.corrected_gltf_file.empty()) {
    *error = "it needs the glTF animations, which were left out";
    return false;
  }
  if (!io_detail::ReadWholeFile(outcome.skin_gltf_file, &input.skin_glb, error) ||
      !io_detail::ReadWholeFile(outcome.corrected_gltf_file, &input.corrected_glb, error) ||
      !io_detail::ReadWholeFile(outcome.report_file, &input.report_csv, error)) {
    return false;
  }
  for (const TavrenPlacement& p : job.placements) {
    input.settings.push_back(DescribeSettings(*p.tag, "Bind tag of " + p.mesh->Name()));
  }
  *path = (dir / (job.stem + "_viewer.html")).string();
  return WriteViewerPage(*path, input, error);
}

}  // namespace hostapp
