// The scene the command line deforms meshes with: one polygon object holding the rest mesh,
// carrying a bind tag (and, when per-point weights are given, a vertex map linked into it),
// with two deformer children in this order: a point cache that holds the posed points, then
// the Tavren deformer. Binding happens on the rest points; an evaluation lets the point cache
// put the posed points in, and the Tavren deformer restore the rest-pose detail on them.
//
// The plug-in library must be started (hostapp::Session) before any of this is used: the
// bind tag and the deformer are created through it.
#ifndef HOSTAPP_APP_DEFORM_SCENE_H
#define HOSTAPP_APP_DEFORM_SCENE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/io/mesh.h"
#include "res/description/ttavrenres.h"

namespace hostapp {

class Document;
class Object;
class PointCacheObject;
class PolygonObject;
class Tag;
class VertexMapTag;

// The bind tag's settings; the defaults are the values a new tag starts with.
struct TagSettings {
  int32_t iterations = 2;
  int32_t mode = TTAVREN_SMOOTHTYPE_DISTANCE;
  bool pin_border = false;
  double step = 1.0;
  bool smooth_only = false;
  // Per-point weights of the smoothing step; empty: no vertex map.
  std::vector<float> weights;
};

// in: tag, a bind tag; settings. Sets the tag's smoothing parameters (iterations, mode,
// pin border, step, smooth only) from settings; the weights are left to the caller.
void ApplyTagSettings(Tag& tag, const TagSettings& settings);

// What a bind tag holds, as it writes itself to a scene file.
struct BindState {
  bool frozen = false;
  int32_t offsets = 0;       // number of stored offsets (0 while live)
  int32_t not_finite = -1;   // the first offset with a coordinate that is not finite; -1: none
};

class DeformScene {
 public:
  ~DeformScene();
  DeformScene(const DeformScene&) = delete;
  DeformScene& operator=(const DeformScene&) = delete;

  // Builds the scene in a new document, without a point cache (SetPose adds it).
  // in: rest (indices in range), settings (weights empty or one per rest point), name of the
  //     polygon object. out: the scene; null with *error when the weights do not match the
  //     points or the plug-in could not create its tag or deformer.
  static std::unique_ptr<DeformScene> Build(const Mesh& rest, const TagSettings& settings, const std::string& name,
                                            std::string* error);
  // Takes over a loaded document: the first polygon object (hierarchy order) carrying a bind
  // tag, with a Tavren deformer among its children. in: doc; source names the file in
  // messages. out: the scene; null with *error ("SOURCE: ...") when no such object is found.
  static std::unique_ptr<DeformScene> Adopt(std::unique_ptr<Document> doc, const std::string& source,
                                            std::string* error);

  // Presses the bind button: captures the binding on the rest points and freezes it.
  // out: false with *error when the tag refused.
  bool Bind(std::string* error);

  // Puts the posed points in the point cache (inserting the cache before the deformer when
  // there is none yet). in: posed, with the rest mesh's point count and polygons; source
  // names it in messages. out: false with *error ("SOURCE: ...") on a mismatch; the cache is
  // then unchanged.
  bool SetPose(const Mesh& posed, const std::string& source, std::string* error);
  // The same for posed points alone, as a point cache holds them (the polygons are the rest
  // mesh's). out: false with *error when the point count differs.
  bool SetPosePoints(const std::vector<C4D_Vector>& points, const std::string& source, std::string* error);

  // Evaluates the document once. out: *points, the deformed points of the mesh; false with
  // *error when a deformer or the point cache reported a failure. Throws std::bad_alloc
  // when the host runs out of memory.
  bool Evaluate(std::vector<C4D_Vector>* points, std::string* error);

  // out: the rest mesh (points and polygons of the polygon object).
  Mesh RestMesh() const;
  // out: the bind tag's state, read from what it writes to a scene file.
  BindState State() const;

  Document& GetDocument() { return *doc_; }
  PolygonObject& MeshObject() { return *mesh_; }
  Tag& BindTag() { return *tag_; }
  Object& Deformer() { return *deformer_; }

 private:
  DeformScene() = default;

  std::unique_ptr<Document> doc_;
  PolygonObject* mesh_ = nullptr;
  Tag* tag_ = nullptr;
  Object* deformer_ = nullptr;
  PointCacheObject* cache_ = nullptr;
};

// in: tag, a bind tag of the loaded plug-in. out: its state, decoded from its write hook's
// data; frozen false with 0 offsets when the tag is no bind tag or writes nothing readable.
BindState ReadBindState(const Tag& tag);

// in: doc, a loaded document; source names it in messages. out: empty when every frozen
// bind tag in doc holds one finite offset per point of its polygon object; else one line
// "SOURCE: ..." naming the first tag that does not (its binding belongs to another mesh, or
// is damaged). Such a binding is refused rather than bound again behind the user's back.
std::string BindingFault(const Document& doc, const std::string& source);

}  // namespace hostapp

#endif  // HOSTAPP_APP_DEFORM_SCENE_H
