// A plug-in made of plain C hooks, as a loaded library would hand them over: instances
// hold a number and a list of vectors; every hook counts its calls and can be made to
// fail. Used to drive the host's creation, cloning, messages and scene files.
#ifndef TESTS_SCENE_FAKE_PLUGIN_H
#define TESTS_SCENE_FAKE_PLUGIN_H

#include <cstdint>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/scene/tables.h"

namespace fake {

constexpr int32_t kTagId = 1999001;
constexpr int32_t kObjectId = 1999002;
constexpr int32_t kCommandId = 1999003;
constexpr int32_t kInitParam = 1004;  // what init writes (Int32 2)

struct Instance {
  int32_t value = 0;
  std::vector<C4D_Vector> data;
};

struct Calls {
  int allocs = 0,  // successful ones
      frees = 0, inits = 0, copies = 0, messages = 0, reads = 0, writes = 0;
  int last_message = 0;
  int32_t last_level = -1;
  bool fail_alloc = false, fail_init = false, fail_copy = false, fail_read = false,
       fail_write = false;
};

inline Calls calls;

inline void* Alloc(void*) {
  if (calls.fail_alloc) return nullptr;
  ++calls.allocs;
  return new Instance();
}
inline void Free(void* inst) {
  ++calls.frees;
  delete static_cast<Instance*>(inst);
}
inline bool Init(void*, C4D_Node* node) {
  ++calls.inits;
  C4D_Data d{};
  d.type = C4D_DA_LONG;
  d.i32 = 2;
  hostapp::ParameterTable()->set_parameter(node, kInitParam, &d);
  return !calls.fail_init;
}
inline bool Copy(void* src, void* dst, C4D_Node*, C4D_Node*, int32_t) {
  ++calls.copies;
  if (calls.fail_copy) return false;
  if (dst) *static_cast<Instance*>(dst) = *static_cast<Instance*>(src);
  return true;
}
inline bool Message(void*, C4D_Node*, int32_t type, void*) {
  ++calls.messages;
  calls.last_message = type;
  return type != 999;  // one message type the plug-in refuses
}
// Format: Int32 value, Int32 count, count vectors.
inline bool Write(void* inst, C4D_Node*, C4D_HyperFile* hf) {
  ++calls.writes;
  const C4D_FileTable* f = hostapp::FileTable();
  auto* in = static_cast<Instance*>(inst);
  f->write_int32(hf, in->value);
  f->write_int32(hf, static_cast<int32_t>(in->data.size()));
  for (const C4D_Vector& v : in->data) f->write_vector(hf, &v);
  return !calls.fail_write;
}
inline bool Read(void* inst, C4D_Node*, C4D_HyperFile* hf, int32_t level) {
  ++calls.reads;
  calls.last_level = level;
  if (calls.fail_read) return false;
  const C4D_FileTable* f = hostapp::FileTable();
  auto* in = static_cast<Instance*>(inst);
  int32_t n = 0;
  if (!f->read_int32(hf, &in->value) || !f->read_int32(hf, &n)) return false;
  if (n < 0 || n > f->remaining(hf)) return false;
  in->data.resize(static_cast<size_t>(n));
  for (C4D_Vector& v : in->data) {
    if (!f->read_vector(hf, &v)) return false;
  }
  return true;
}

inline C4D_NodeHooks NodeHooks() {
  C4D_NodeHooks h{};
  h.size = sizeof h;
  h.alloc = Alloc;
  h.free = Free;
  h.init = Init;
  h.read = Read;
  h.write = Write;
  h.message = Message;
  h.copy_to = Copy;
  return h;
}

inline C4D_TagHooks TagHooks() {
  C4D_TagHooks h{};
  h.size = sizeof h;
  h.node = NodeHooks();
  return h;
}

inline C4D_ObjectHooks ObjectHooks() {
  C4D_ObjectHooks h{};
  h.size = sizeof h;
  h.node = NodeHooks();
  return h;
}

inline Instance* Of(void* inst) { return static_cast<Instance*>(inst); }

}  // namespace fake

#endif  // TESTS_SCENE_FAKE_PLUGIN_H
