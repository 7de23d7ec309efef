// The working copy of a scene object that deformers modify during one evaluation: the
// object and its tags without its children, each tag copied through its plug-in's copy_to
// and answering tag_origin with the scene tag. While it lives it sits in the scene right
// after its source, so that it reports the scene's document and the source's global frame
// to plug-ins; it leaves the scene when it is destroyed.
#ifndef HOSTAPP_EVAL_WORKING_COPY_H
#define HOSTAPP_EVAL_WORKING_COPY_H

#include <memory>

namespace hostapp {

class Object;
class PolygonObject;

class WorkingCopy {
 public:
  // in: source, an object inserted in a document. out: the copy in place; Get() is null when
  // the copy failed (a plug-in's alloc or copy_to failed) or source is not inserted. The
  // source's children are taken out for the moment of copying and put back in order.
  explicit WorkingCopy(Object& source);
  // Takes the copy out of the scene and frees it.
  ~WorkingCopy();
  WorkingCopy(const WorkingCopy&) = delete;
  WorkingCopy& operator=(const WorkingCopy&) = delete;

  // out: the copy; null when it could not be made.
  Object* Get() const { return copy_; }
  // out: the copy as a polygon object; null when it is none or could not be made.
  PolygonObject* Polygon() const;

 private:
  Object* copy_ = nullptr;  // owned; in the scene after the source while alive
};

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_WORKING_COPY_H
