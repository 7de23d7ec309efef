// The viewer page: one self-contained HTML file that plays the skin-only and the corrected
// animation side by side in a browser, opened from disk and offline. The page's code (three.js
// and the viewer, bundled when the project is built) comes from a template compiled into the
// program; the two animations (binary glTF), the per-frame report, the bind tags' settings
// and the edge-strain colour scale are written into it as one JSON data block.
#ifndef HOSTAPP_VIEWER_VIEWER_PAGE_H
#define HOSTAPP_VIEWER_VIEWER_PAGE_H

#include <cstddef>
#include <string>
#include <vector>

namespace hostapp {

// The page template: page.html with the bundled code in place, and the marker
// "@TAVREN_DATA@" where the data block goes. Generated at build time.
extern const unsigned char kViewerTemplate[];
extern const size_t kViewerTemplateSize;

// One labelled setting, as the interface shows it ("Iterations", "2").
struct ViewerSetting {
  std::string label, value;
};

// The settings of one bind tag, under a title naming its mesh.
struct ViewerSettings {
  std::string title;
  std::vector<ViewerSetting> entries;
};

struct ViewerInput {
  std::string title;                              // what the page shows ("arm")
  std::string skin_glb, corrected_glb;            // bytes of binary glTF files, one morph target per frame
  std::string report_csv;                         // header line, then one line per frame, frame first
  std::vector<ViewerSettings> settings;
};

// in: bytes. out: their base64 text (RFC 4648, with padding).
std::string Base64(const std::string& bytes);

// in: input. out: the data block: JSON with title, skin and corrected (base64 of the glTF
// bytes), report, settings and strain (the colour scale: max and stops of at, r, g, b). Every
// '<' is written as \u003c, so the block cannot close the element it sits in; text that is not
// valid UTF-8 has its bad bytes replaced.
std::string ViewerData(const ViewerInput& input);

// in: input. out: *page, the template with the data block in place; false with *error when
// an animation is not binary glTF or the template has no data marker.
bool MakeViewerPage(const ViewerInput& input, std::string* page, std::string* error);

// in: path, input. out: true when path holds MakeViewerPage's page, written atomically; false
// with *error naming what was wrong (nothing created or changed then).
bool WriteViewerPage(const std::string& path, const ViewerInput& input, std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_VIEWER_VIEWER_PAGE_H
