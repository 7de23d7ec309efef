// Memory through the host's allocator. Every allocation carries its size, source line and
// source file; a null result means the host could not provide the memory.
#ifndef C4D_MEMORY_H
#define C4D_MEMORY_H

#include <new>
#include <utility>

#include "c4d_general.h"
#include "c4d_types.h"

// Zero-filled block of `size` bytes; nullptr on failure.
inline void* GeAllocClear(Int64 size, Int32 line, const char* file) {
  return C4DOS()->memory->alloc_clear(size, line, file);
}
// Plain block (contents undefined); nullptr on failure.
inline void* GeAlloc(Int64 size, Int32 line, const char* file) {
  return C4DOS()->memory->alloc(size, line, file);
}
// Resized block; nullptr on failure, and then p is untouched.
inline void* GeRealloc(void* p, Int64 size, Int32 line, const char* file) {
  return C4DOS()->memory->realloc(p, size, line, file);
}
inline void GeFree(void* p) {
  if (p) C4DOS()->memory->free(p);
}

// count zero-filled elements of type T (trivially constructible types only).
#define NewMemClear(T, count) \
  static_cast<T*>(GeAllocClear(static_cast<Int64>(sizeof(T)) * static_cast<Int64>(count), __LINE__, __FILE__))
// Frees a block from NewMemClear and sets the pointer to null.
#define DeleteMem(p) \
  do {               \
    GeFree(p);       \
    (p) = nullptr;   \
  } while (0)

// Constructs a T in zero-filled host memory (nullptr on failure).
template <typename T, typename... Args>
T* NewObjClearAt(Int32 line, const char* file, Args&&... args) {
  void* mem = GeAllocClear(static_cast<Int64>(sizeof(T)), line, file);
  if (!mem) return nullptr;
  return new (mem) T(std::forward<Args>(args)...);
}
#define NewObjClear(T, ...) NewObjClearAt<T>(__LINE__, __FILE__, ##__VA_ARGS__)

// Destroys and frees an object from NewObjClear; sets the pointer to null.
template <typename T>
void DeleteObjAt(T*& p) {
  if (p) {
    p->~T();
    GeFree(static_cast<void*>(p));
    p = nullptr;
  }
}
#define DeleteObj(p) DeleteObjAt(p)

#endif
