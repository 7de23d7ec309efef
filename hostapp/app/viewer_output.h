// The viewer page of a comparison: the two animations the comparison wrote as binary glTF,
// its report and the settings of the bind tags, put into one page (hostapp/viewer).
#ifndef HOSTAPP_APP_VIEWER_OUTPUT_H
#define HOSTAPP_APP_VIEWER_OUTPUT_H

#include <string>

#include "hostapp/app/comparison.h"
#include "hostapp/viewer/viewer_page.h"

namespace hostapp {

class Node;

// in: tag, title. out: the tag's settings as its interface lists them: every value entry of
// its description, the status text included (buttons, groups and the host's own entries left
// out), labelled as there, choices by their label, switches as on or off, a link by the
// linked node's name.
ViewerSettings DescribeSettings(Node& tag, const std::string& title);

// in: job and outcome of a finished RunComparison that wrote both glTF animations. out:
// *path, <stem>_viewer.html written atomically into job.out_dir; false with *error naming
// the file that could not be read or written, or saying that the animations were left out.
bool WriteComparisonViewer(const ComparisonJob& job, const ComparisonOutcome& outcome, std::string* path,
                           std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_APP_VIEWER_OUTPUT_H
