// Drawing for plug-ins: a View collects what objects draw (coloured lines and handle marks
// in global space) so that the viewport can rasterise it.
#ifndef HOSTAPP_EVAL_DRAW_H
#define HOSTAPP_EVAL_DRAW_H

#include <vector>

#include "host/abi/c4d_abi.h"

struct C4D_View {};
struct C4D_DrawHelp {};

namespace hostapp {

struct DrawnLine {
  C4D_Vector a, b, color;
};
struct DrawnHandle {
  C4D_Vector position, color;
  int32_t type;
};

class View : public C4D_View {
 public:
  C4D_Vector color{1.0, 1.0, 1.0};
  std::vector<DrawnLine> lines;
  std::vector<DrawnHandle> handles;
};

class DrawHelp : public C4D_DrawHelp {};

inline View* FromC(C4D_View* v) { return static_cast<View*>(v); }

const C4D_DrawTable* DrawTable();

}  // namespace hostapp

#endif
