// Saving viewport pictures.
#ifndef HOSTAPP_RENDER_PNG_H
#define HOSTAPP_RENDER_PNG_H

#include <string>

#include "hostapp/render/image.h"

namespace hostapp {

// Writes image as an 8-bit RGB PNG, replacing path atomically.
// in:  path, image (not empty).  out: true when written; on false *error names the file and
//      the fault, and no file was created or changed.
bool WritePng(const std::string& path, const Image& image, std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_PNG_H
