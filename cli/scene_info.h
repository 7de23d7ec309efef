// Describing a scene file's document for info and load: its objects with their types and
// point counts, their tags, and for bind tags whether the binding is frozen or live.
#ifndef TAVREN_CLI_SCENE_INFO_H
#define TAVREN_CLI_SCENE_INFO_H

#include <cstdint>
#include <string>

namespace hostapp {
class Document;
}

namespace tavren_cli {

// Counts over a whole document.
struct SceneSummary {
  int64_t objects = 0;
  int64_t tags = 0;
  int64_t points = 0;       // points of all polygon objects
  int64_t frozen_tags = 0;  // bind tags holding a frozen binding
  int64_t live_tags = 0;    // bind tags following the mesh live
};

// in: doc. out: its counts.
SceneSummary Summarize(const hostapp::Document& doc);
// in: summary. out: one line, e.g. "3 objects, 2 tags, 1234 points; bind tags: 1 frozen".
std::string SummaryLine(const SceneSummary& summary);
// in: doc. Prints the hierarchy on standard output: one line per object (indented by depth)
// and one per tag below it.
void PrintHierarchy(const hostapp::Document& doc);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_SCENE_INFO_H
