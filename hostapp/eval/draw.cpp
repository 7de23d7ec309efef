#include "hostapp/eval/draw.h"

#include "hostapp/scene/node.h"
#include "hostapp/scene/object.h"
#include "hostapp/scene/registry.h"

namespace hostapp {
namespace {

void SetColor(C4D_View* bd, const C4D_Vector* rgb) {
  if (bd && rgb) FromC(bd)->color = *rgb;
}

void Line(C4D_View* bd, const C4D_Vector* a, const C4D_Vector* b) {
  if (bd && a && b) FromC(bd)->lines.push_back(DrawnLine{*a, *b, FromC(bd)->color});
}

void Handle(C4D_View* bd, const C4D_Vector* p, int32_t type) {
  if (bd && p) FromC(bd)->handles.push_back(DrawnHandle{*p, FromC(bd)->color, type});
}

// The host's own drawing of an object: in the handle pass, the handles its plug-in reports,
// placed by the object's global matrix.
int32_t ObjectDefaultDraw(C4D_Node* opNode, int32_t pass, C4D_View* bd, C4D_DrawHelp*) {
  Object* op = ToObject(opNode);
  if (!op || !bd) return C4D_DRAWRESULT_ERROR;
  if (pass != C4D_DRAWPASS_HANDLES) return C4D_DRAWRESULT_OK;
  const PluginInfo* plugin = op->Plugin();
  const C4D_ObjectHooks* hooks = (plugin && plugin->kind == PluginKind::kObject) ? &plugin->object : nullptr;
  if (!hooks || !hooks->get_handle_count || !hooks->get_handle) return C4D_DRAWRESULT_OK;
  const C4D_Matrix mg = op->Mg();
  const int32_t count = hooks->get_handle_count(op->Instance(), op);
  const C4D_Vector saved = FromC(bd)->color;
  FromC(bd)->color = C4D_Vector{1.0, 0.8, 0.0};
  for (int32_t i = 0; i < count; ++i) {
    C4D_HandleInfo info{};
    hooks->get_handle(op->Instance(), op, i, &info);
    const C4D_Vector& p = info.position;
    const C4D_Vector g{mg.off.x + p.x * mg.v1.x + p.y * mg.v2.x + p.z * mg.v3.x,
                       mg.off.y + p.x * mg.v1.y + p.y * mg.v2.y + p.z * mg.v3.y,
                       mg.off.z + p.x * mg.v1.z + p.y * mg.v2.z + p.z * mg.v3.z};
    Handle(bd, &g, info.type);
  }
  FromC(bd)->color = saved;
  return C4D_DRAWRESULT_OK;
}

}  // namespace

const C4D_DrawTable* DrawTable() {
  static const C4D_DrawTable table = {static_cast<int32_t>(sizeof(C4D_DrawTable)), SetColor, Line, Handle,
                                      ObjectDefaultDraw};
  return &table;
}

}  // namespace hostapp
