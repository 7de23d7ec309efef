// Animated GIF pictures, written with giflib.
#ifndef HOSTAPP_RENDER_GIF_H
#define HOSTAPP_RENDER_GIF_H

#include <string>
#include <vector>

#include "hostapp/render/image.h"

namespace hostapp {

// out: true when this build writes GIF files (it was built with giflib).
bool GifSupported();

// in: path, frames (all of one size, not empty), delay between frames in hundredths of a
// second. out: true when path holds an animated GIF of the frames, looping forever, each
// frame reduced to its own palette of 256 colours (written atomically); false with *error
// naming the file, or saying that this build writes no GIF.
bool WriteGif(const std::string& path, const std::vector<Image>& frames, int delay_cs, std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_RENDER_GIF_H
