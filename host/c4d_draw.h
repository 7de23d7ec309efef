// Drawing: the viewport and drawing context a plug-in draws into.
#ifndef C4D_DRAW_H
#define C4D_DRAW_H

#include "c4d_general.h"
#include "c4d_types.h"

enum DRAWPASS : Int32 { DRAWPASS_OBJECT = C4D_DRAWPASS_OBJECT, DRAWPASS_HANDLES = C4D_DRAWPASS_HANDLES };
enum DRAWRESULT : Int32 {
  DRAWRESULT_ERROR = C4D_DRAWRESULT_ERROR,
  DRAWRESULT_OK = C4D_DRAWRESULT_OK,
  DRAWRESULT_SKIP = C4D_DRAWRESULT_SKIP
};

class BaseDraw {
 public:
  C4D_View* Handle() { return reinterpret_cast<C4D_View*>(this); }
  static BaseDraw* From(C4D_View* v) { return reinterpret_cast<BaseDraw*>(v); }
  void SetPen(const Vector& rgb) { C4DOS()->draw->set_color(Handle(), ToC(&rgb)); }
  void DrawLine(const Vector& a, const Vector& b) { C4DOS()->draw->line(Handle(), ToC(&a), ToC(&b)); }
  BaseDraw() = delete;
};

class BaseDrawHelp {
 public:
  C4D_DrawHelp* Handle() { return reinterpret_cast<C4D_DrawHelp*>(this); }
  static BaseDrawHelp* From(C4D_DrawHelp* h) { return reinterpret_cast<BaseDrawHelp*>(h); }
  BaseDrawHelp() = delete;
};

struct HandleInfo {
  Vector position;
  Vector direction;
  Int32 type = 0;
};
static_assert(sizeof(HandleInfo) == sizeof(C4D_HandleInfo), "handle info layout");

#endif
