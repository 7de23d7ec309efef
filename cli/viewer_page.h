// The viewer page that demo and run write beside their other outputs, unless --no-viewer.
#ifndef TAVREN_CLI_VIEWER_PAGE_H
#define TAVREN_CLI_VIEWER_PAGE_H

#include <CLI/CLI.hpp>

#include "hostapp/app/comparison.h"

namespace tavren_cli {

// Adds --no-viewer to cmd: it sets *on to false (*on is true unless given).
void AddViewerFlag(CLI::App* cmd, bool* on);

// Writes <stem>_viewer.html for the finished comparison and prints its place, ending the
// command's output with the line that says how to open it; when the glTF animations were
// left out (--no-gltf), says that the page is left out too. Throws CommandError naming the
// file when the page cannot be made or written.
void WriteViewer(const hostapp::ComparisonJob& job, const hostapp::ComparisonOutcome& outcome);

}  // namespace tavren_cli

#endif  // TAVREN_CLI_VIEWER_PAGE_H
