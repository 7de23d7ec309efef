#include "cli/scene_info.h"

#include <cstdio>
#include <memory>

#include "cli/smooth_modes.h"
#include "hostapp/app/deform_scene.h"
#include "hostapp/app/session.h"
#include "hostapp/eval/point_cache.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/registry.h"
#include "hostapp/services/printable.h"

namespace tavren_cli {
namespace {

// in: type id of a node. out: what the type is called: the host's name of a built-in type,
// the registered name of a plug-in type, else "type N".
std::string TypeName(int32_t type) {
  switch (type) {
    case C4D_OPOLYGON:
      return "polygon object";
    case C4D_OSPLINE:
      return "spline";
    case C4D_ONULL:
      return "null";
    case C4D_OJOINT:
      return "joint";
    case C4D_OSKIN:
      return "skin deformer";
    case C4D_OPOINTCACHE:
      return "point cache";
    case C4D_TVERTEXMAP:
      return "vertex map";
    case C4D_TWEIGHT:
      return "weight tag";
    case C4D_TRESTRICTION:
      return "restriction tag";
    default:
      break;
  }
  if (std::shared_ptr<const hostapp::PluginInfo> p = hostapp::Registry::Global().Find(type))
    return p->name + " (plug-in " + std::to_string(type) + ")";
  return "type " + std::to_string(type);
}

// in: tag, a bind tag. out: its state and settings on one line.
std::string BindTagDetails(const hostapp::Tag& tag) {
  const hostapp::BindState state = hostapp::ReadBindState(tag);
  const hostapp::Container& d = tag.Data();
  std::string text = state.frozen ? "frozen, " + std::to_string(state.offsets) + " offsets" : "live";
  char step[64];
  std::snprintf(step, sizeof step, "%.17g", d.GetFloat(TTAVREN_STEP, 1.0));
  text += "; iterations " + std::to_string(d.GetInt32(TTAVREN_ITERATIONS)) + ", mode " +
          SmoothModeLabel(d.GetInt32(TTAVREN_SMOOTHTYPE)) + ", pin border " +
          (d.GetBool(TTAVREN_PINBORDER) ? "on" : "off") + ", step " + step + ", smooth only " +
          (d.GetBool(TTAVREN_SMOOTHONLY) ? "on" : "off");
  if (const hostapp::Node* map = d.GetLink(TTAVREN_VERTEXMAP))
    text += ", vertex map \"" + hostapp::PrintableText(map->Name()) + "\"" + (d.GetBool(TTAVREN_USEVERTEXMAP, true) ? "" : " (not used)");
  return text;
}

// in: tag. out: what is worth knowing about it beyond its type.
std::string TagDetails(const hostapp::Tag& tag) {
  if (tag.Type() == ID_TTAVREN) return BindTagDetails(tag);
  if (tag.Type() == C4D_TVERTEXMAP) return std::to_string(tag.VariableCount()) + " weights";
  return "";
}

// in: op. out: what is worth knowing about it beyond its type.
std::string ObjectDetails(const hostapp::Object& op) {
  if (const auto* poly = dynamic_cast<const hostapp::PolygonObject*>(&op))
    return std::to_string(poly->Points().size()) + " points, " + std::to_string(poly->Polygons().size()) + " polygons";
  if (const auto* cache = dynamic_cast<const hostapp::PointCacheObject*>(&op))
    return std::to_string(cache->Points().size()) + " points";
  return "";
}

// in: op, depth. Prints op, its tags and its children, indented by depth.
void PrintObject(const hostapp::Object& op, int depth) {
  const std::string indent(static_cast<size_t>(depth) * 2, ' ');
  const std::string details = ObjectDetails(op);
  std::printf("%s%s  [%s]%s%s\n", indent.c_str(), hostapp::PrintableText(op.Name()).c_str(), TypeName(op.Type()).c_str(),
              details.empty() ? "" : "  ", details.c_str());
  for (const hostapp::Tag* tag = op.FirstTag(); tag; tag = tag->Next()) {
    const std::string tag_details = TagDetails(*tag);
    std::printf("%s  tag %s  [%s]%s%s\n", indent.c_str(), hostapp::PrintableText(tag->Name()).c_str(), TypeName(tag->Type()).c_str(),
                tag_details.empty() ? "" : "  ", tag_details.c_str());
  }
  for (const hostapp::Object* c = op.Down(); c; c = c->Next()) PrintObject(*c, depth + 1);
}

}  // namespace

SceneSummary Summarize(const hostapp::Document& doc) {
  SceneSummary s;
  for (const hostapp::Object* op : doc.AllObjects()) {
    ++s.objects;
    if (const auto* poly = dynamic_cast<const hostapp::PolygonObject*>(op))
      s.points += static_cast<int64_t>(poly->Points().size());
    for (const hostapp::Tag* tag = op->FirstTag(); tag; tag = tag->Next()) {
      ++s.tags;
      if (tag->Type() != ID_TTAVREN) continue;
      if (hostapp::ReadBindState(*tag).frozen) {
        ++s.frozen_tags;
      } else {
        ++s.live_tags;
      }
    }
  }
  return s;
}

std::string SummaryLine(const SceneSummary& s) {
  auto count = [](int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string line = count(s.objects, "object", "objects") + ", " + count(s.tags, "tag", "tags") + ", " +
                     count(s.points, "point", "points");
  if (s.frozen_tags + s.live_tags > 0)
    line += "; bind tags: " + std::to_string(s.frozen_tags) + " frozen, " + std::to_string(s.live_tags) + " live";
  return line;
}

void PrintHierarchy(const hostapp::Document& doc) {
  for (const hostapp::Object* op = doc.FirstObject(); op; op = op->Next()) PrintObject(*op, 0);
}

}  // namespace tavren_cli
