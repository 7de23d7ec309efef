#include "c4d_resource.h"

#include <cstring>

#include "c4d_nodedata.h"

GeResource resource;

Filename Filename::operator+(const Filename& part) const {
  String joined(path_);
  Int64 len = joined.GetLength();
  if (len > 0 && joined.GetCStr()[len - 1] != '/') joined.Insert(len, String("/"));
  joined.Insert(joined.GetLength(), part.path_);
  return Filename(joined);
}

Filename Filename::GetDirectory() const {
  const Char* s = path_.GetCStr();
  const Char* slash = std::strrchr(s, '/');
  const Char* back = std::strrchr(s, '\\');
  if (back && (!slash || back > slash)) slash = back;
  String dir;
  if (slash) dir.Set(s, static_cast<Int64>(slash - s));
  return Filename(dir);
}

Bool GeResource::Init(const Filename& folder) {
  Free();
  res_ = C4DOS()->registry->resource_load(folder.GetString().GetCStr());
  return res_ != nullptr;
}

void GeResource::Free() {
  if (res_) C4DOS()->registry->resource_free(res_);
  res_ = nullptr;
}

String GeResource::LoadString(Int32 id) const {
  if (!res_) return String();
  return String(C4DOS()->registry->resource_string(res_, id));
}

String GeLoadString(Int32 id) { return resource.LoadString(id); }

Bool RegisterDescription(Int32 id, const String& name) {
  return C4DOS()->registry->register_description(id, name.GetCStr(), resource.Handle());
}

void GePrint(const String& line) { C4DOS()->registry->console_print(line.GetCStr()); }
