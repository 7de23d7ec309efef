// C4D_FileTable: the typed scene-file stream for plug-ins' Read and Write.
#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/no_throw.h"
#include "hostapp/scene/tables.h"

namespace hostapp {

namespace {

bool WriteBool(C4D_HyperFile* hf, bool v) {
  return hf && NoThrow(false, [&] { return FromC(hf)->WriteBool(v); });
}

bool WriteInt32(C4D_HyperFile* hf, int32_t v) {
  return hf && NoThrow(false, [&] { return FromC(hf)->WriteInt32(v); });
}

bool WriteFloat(C4D_HyperFile* hf, double v) {
  return hf && NoThrow(false, [&] { return FromC(hf)->WriteFloat(v); });
}

bool WriteVector(C4D_HyperFile* hf, const C4D_Vector* v) {
  return hf && v && NoThrow(false, [&] { return FromC(hf)->WriteVector(*v); });
}

bool ReadBool(C4D_HyperFile* hf, bool* v) { return hf && v && FromC(hf)->ReadBool(v); }

bool ReadInt32(C4D_HyperFile* hf, int32_t* v) { return hf && v && FromC(hf)->ReadInt32(v); }

bool ReadFloat(C4D_HyperFile* hf, double* v) { return hf && v && FromC(hf)->ReadFloat(v); }

bool ReadVector(C4D_HyperFile* hf, C4D_Vector* v) { return hf && v && FromC(hf)->ReadVector(v); }

int64_t Remaining(C4D_HyperFile* hf) { return hf ? FromC(hf)->Remaining() : 0; }

const C4D_FileTable kTable = {
    sizeof(C4D_FileTable), WriteBool, WriteInt32, WriteFloat, WriteVector, ReadBool,
    ReadInt32,             ReadFloat, ReadVector, Remaining,
};

}  // namespace

const C4D_FileTable* FileTable() { return &kTable; }

}  // namespace hostapp
