// HyperFile: the host's typed scene-file stream, as a plug-in's Read and Write see it.
#ifndef C4D_HYPERFILE_H
#define C4D_HYPERFILE_H

#include "c4d_general.h"
#include "c4d_types.h"

class HyperFile {
 public:
  static HyperFile* From(C4D_HyperFile* hf) { return reinterpret_cast<HyperFile*>(hf); }
  C4D_HyperFile* Handle() { return reinterpret_cast<C4D_HyperFile*>(this); }

  Bool WriteBool(Bool v) { return C4DOS()->files->write_bool(Handle(), v); }
  Bool WriteInt32(Int32 v) { return C4DOS()->files->write_int32(Handle(), v); }
  Bool WriteFloat(Float v) { return C4DOS()->files->write_float(Handle(), v); }
  Bool WriteVector(const Vector& v) { return C4DOS()->files->write_vector(Handle(), ToC(&v)); }
  Bool ReadBool(Bool* v) { return C4DOS()->files->read_bool(Handle(), v); }
  Bool ReadInt32(Int32* v) { return C4DOS()->files->read_int32(Handle(), v); }
  Bool ReadFloat(Float* v) { return C4DOS()->files->read_float(Handle(), v); }
  Bool ReadVector(Vector* v) { return C4DOS()->files->read_vector(Handle(), ToC(v)); }
  // Bytes still unread in this plug-in's data.
  Int64 GetRemaining() { return C4DOS()->files->remaining(Handle()); }

  HyperFile() = delete;
};

#endif
