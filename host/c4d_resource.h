// Resources of a plug-in (string tables and descriptions), file names, pictures, console.
#ifndef C4D_RESOURCE_H
#define C4D_RESOURCE_H

#include "c4d_string.h"

// A path. Joining with + inserts the platform-neutral separator '/'.
class Filename {
 public:
  Filename() = default;
  Filename(const String& path) : path_(path) {}
  Filename(const Char* path) : path_(path) {}
  Filename operator+(const Filename& part) const;
  const String& GetString() const { return path_; }
  // The folder part (everything before the last separator); empty when there is none.
  Filename GetDirectory() const;

 private:
  String path_;
};

// The plug-in's resource: loaded once on the host's system-initialisation message.
class GeResource {
 public:
  // Loads the string tables and descriptions from the plug-in folder. false: not loadable.
  Bool Init(const Filename& folder);
  void Free();
  Bool IsLoaded() const { return res_ != nullptr; }
  // String id of the resource; empty when absent or not loaded.
  String LoadString(Int32 id) const;
  const C4D_Resource* Handle() const { return res_; }

 private:
  C4D_Resource* res_ = nullptr;
};

// The plug-in's global resource.
extern GeResource resource;

// String id of the plug-in's resource (empty before the resource is loaded).
String GeLoadString(Int32 id);

// Registers the description resource `name` under id.
Bool RegisterDescription(Int32 id, const String& name);

// Prints one line on the host's console.
void GePrint(const String& line);

enum IMAGERESULT : Int32 { IMAGERESULT_OK = C4D_IMAGERESULT_OK };

class BaseBitmap {
 public:
  static BaseBitmap* Alloc() { return reinterpret_cast<BaseBitmap*>(C4DOS()->registry->bitmap_alloc()); }
  static void Free(BaseBitmap*& bmp) {
    if (bmp) C4DOS()->registry->bitmap_free(bmp->Handle());
    bmp = nullptr;
  }
  // Loads a picture; frame -1 is the host's default frame.
  IMAGERESULT Init(const Filename& name, Int32 frame = -1) {
    return static_cast<IMAGERESULT>(C4DOS()->registry->bitmap_init_file(Handle(), name.GetString().GetCStr(), frame));
  }
  C4D_Bitmap* Handle() { return reinterpret_cast<C4D_Bitmap*>(this); }
  BaseBitmap() = delete;
};

#endif
