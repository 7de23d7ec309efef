// Scene nodes as the plug-in sees them. These classes hold no data: a pointer to one IS the
// host's handle, and every member forwards through the host's tables (the shape of the
// host SDK's own node classes).
#ifndef C4D_BASELIST_H
#define C4D_BASELIST_H

#include "c4d_general.h"
#include "c4d_string.h"
#include "c4d_types.h"

// Type ids.
enum : Int32 {
  Opolygon = C4D_OPOLYGON,
  Onull = C4D_ONULL,
  Ospline = C4D_OSPLINE,
  Oskin = C4D_OSKIN,
  Tpoint = C4D_DATA_POINT,
  Tpolygon = C4D_DATA_POLYGON,
  Tvertexmap = C4D_TVERTEXMAP,
};

// Messages, bits, flags.
enum : Int32 {
  MSG_UPDATE = C4D_MSG_UPDATE,
  MSG_DESCRIPTION_COMMAND = C4D_MSG_DESCRIPTION_COMMAND,
  MSG_MENUPREPARE = C4D_MSG_MENUPREPARE,
  BIT_ACTIVE = C4D_BIT_ACTIVE,
  OBJECT_DEFORM = C4D_OBJECT_DEFORM,
  DIRTYFLAGS_DATA = C4D_DIRTYFLAGS_DATA,
  EVENT_ADD = C4D_EVENT_ADD,
  UNDOTYPE_NEW = C4D_UNDOTYPE_NEW,
  CMD_ENABLED = C4D_CMD_ENABLED,
  QUALIFIER_SHIFT = C4D_QUALIFIER_SHIFT,
  QUALIFIER_CTRL = C4D_QUALIFIER_CTRL,
  CUSTOMDATATYPE_INEXCLUDE_LIST = C4D_DA_INEXCLUDE,
};

enum DA : Int32 {
  DA_NIL = C4D_DA_NIL,
  DA_LONG = C4D_DA_LONG,
  DA_REAL = C4D_DA_REAL,
  DA_VECTOR = C4D_DA_VECTOR,
  DA_STRING = C4D_DA_STRING,
  DA_ALIASLINK = C4D_DA_ALIASLINK,
};

enum DESCFLAGS_GET : Int32 { DESCFLAGS_GET_0 = 0 };
enum DESCFLAGS_SET : Int32 { DESCFLAGS_SET_0 = 0 };
enum DESCFLAGS_ENABLE : Int32 { DESCFLAGS_ENABLE_0 = 0 };
enum DESCFLAGS_DESC : Int32 { DESCFLAGS_DESC_0 = 0, DESCFLAGS_DESC_LOADED = C4D_DESCFLAGS_DESC_LOADED };
enum COPYFLAGS : Int32 { COPYFLAGS_0 = 0 };

class BaseList2D;
class BaseObject;
class BaseTag;
class BaseDocument;
class BaseContainer;
class InExcludeData;

// A one-level description id.
struct DescID {
  Int32 id = 0;
  DescID() = default;
  explicit DescID(Int32 t_id) : id(t_id) {}
  Int32 operator[](Int32) const { return id; }
};

// Data of the button message: begins with the pressed button's id.
struct DescriptionCommand {
  DescID id;
};
static_assert(sizeof(DescriptionCommand) == sizeof(C4D_DescriptionCommand), "button message layout");

// One parameter value.
class GeData {
 public:
  GeData() = default;
  explicit GeData(Int32 v) { SetInt32(v); }
  explicit GeData(Float v) { SetFloat(v); }
  explicit GeData(const String& v) { SetString(v); }

  Int32 GetType() const { return type_; }
  // Int32 value (a Float is truncated); 0 for other types.
  Int32 GetInt32() const { return type_ == DA_LONG ? i32_ : type_ == DA_REAL ? static_cast<Int32>(f64_) : 0; }
  Bool GetBool() const { return GetInt32() != 0; }
  // Float value (an Int32 is widened); 0.0 for other types.
  Float GetFloat() const { return type_ == DA_REAL ? f64_ : type_ == DA_LONG ? static_cast<Float>(i32_) : 0.0; }
  const Vector& GetVector() const { return vec_; }
  const String& GetString() const { return str_; }
  // The linked node when it lies in doc and is of type instanceof (0: any type); else null.
  BaseList2D* GetLink(BaseDocument* doc, Int32 instanceof = 0) const;
  // The in/exclude list (type CUSTOMDATATYPE_INEXCLUDE_LIST), else null.
  InExcludeData* GetCustomDataType(Int32 type) const;

  void SetInt32(Int32 v) { Clear(DA_LONG); i32_ = v; }
  void SetFloat(Float v) { Clear(DA_REAL); f64_ = v; }
  void SetVector(const Vector& v) { Clear(DA_VECTOR); vec_ = v; }
  void SetString(const String& v) { Clear(DA_STRING); str_ = v; }
  void SetBaseList2D(BaseList2D* link) { Clear(DA_ALIASLINK); link_ = link; }

  // Conversion from and to the boundary's value (strings are copied).
  void FromC(const C4D_Data& d);
  void ToC(C4D_Data* d) const;

 private:
  void Clear(Int32 type) { type_ = type; i32_ = 0; f64_ = 0.0; link_ = nullptr; inex_ = nullptr; }
  Int32 type_ = DA_NIL;
  Int32 i32_ = 0;
  Float f64_ = 0.0;
  Vector vec_;
  String str_;
  BaseList2D* link_ = nullptr;
  InExcludeData* inex_ = nullptr;
};

class GeListNode {
 public:
  C4D_Node* Handle() { return reinterpret_cast<C4D_Node*>(this); }
  static GeListNode* From(C4D_Node* n) { return reinterpret_cast<GeListNode*>(n); }
  GeListNode() = delete;
};

class BaseList2D : public GeListNode {
 public:
  static BaseList2D* From(C4D_Node* n) { return reinterpret_cast<BaseList2D*>(n); }
  Int32 GetType() { return C4DOS()->scene->node_type(Handle()); }
  Bool IsInstanceOf(Int32 type) { return GetType() == type; }
  // The plug-in instance behind a node of a registered plug-in type.
  template <typename T>
  T* GetNodeData() { return static_cast<T*>(static_cast<void*>(C4DOS()->scene->node_instance(Handle()))); }
  void* GetNodeDataRaw() { return C4DOS()->scene->node_instance(Handle()); }
  BaseDocument* GetDocument() { return reinterpret_cast<BaseDocument*>(C4DOS()->scene->node_document(Handle())); }
  Bool GetBit(Int32 bit) { return C4DOS()->scene->node_get_bit(Handle(), bit); }
  void SetBit(Int32 bit) { C4DOS()->scene->node_set_bit(Handle(), bit, true); }
  void DelBit(Int32 bit) { C4DOS()->scene->node_set_bit(Handle(), bit, false); }
  void SetDirty(Int32 flags) { C4DOS()->scene->node_set_dirty(Handle(), flags); }
  Bool Message(Int32 type, void* data = nullptr) { return C4DOS()->scene->node_message(Handle(), type, data); }
  // Reads a parameter by one-level id; false when the node has no such parameter.
  Bool GetParameter(const DescID& id, GeData& t_data, DESCFLAGS_GET flags);
  // Writes a parameter by one-level id.
  Bool SetParameter(const DescID& id, const GeData& t_data, DESCFLAGS_SET flags);
  // The node's own container; null when it has none.
  BaseContainer* GetDataInstance() {
    return reinterpret_cast<BaseContainer*>(C4DOS()->params->node_container(Handle()));
  }
};

class BaseTag : public BaseList2D {
 public:
  static BaseTag* From(C4D_Node* n) { return reinterpret_cast<BaseTag*>(n); }
  // A new tag of a type id, not inserted; null on failure.
  static BaseTag* Alloc(Int32 type) { return From(C4DOS()->document->tag_alloc(type)); }
  static void Free(BaseTag*& tag) {
    if (tag) C4DOS()->document->node_free(tag->Handle());
    tag = nullptr;
  }
  BaseTag* GetNext() { return From(C4DOS()->scene->tag_next(Handle())); }
  BaseObject* GetObject();
  // The scene tag this working copy's tag was made from (the tag itself for a scene tag).
  BaseTag* GetOrigin() { return From(C4DOS()->scene->tag_origin(Handle())); }
};

class VariableTag : public BaseTag {
 public:
  Int32 GetDataCount() { return C4DOS()->geometry->variable_tag_count(Handle()); }
  const void* GetLowlevelDataAddressR() { return C4DOS()->geometry->variable_tag_data_r(Handle()); }
};

class BaseObject : public BaseList2D {
 public:
  static BaseObject* From(C4D_Node* n) { return reinterpret_cast<BaseObject*>(n); }
  // A new object of a type id, not inserted; null on failure.
  static BaseObject* Alloc(Int32 type) { return From(C4DOS()->document->object_alloc(type)); }
  static void Free(BaseObject*& op) {
    if (op) C4DOS()->document->node_free(op->Handle());
    op = nullptr;
  }
  BaseObject* GetUp() { return From(C4DOS()->scene->object_up(Handle())); }
  BaseObject* GetDown() { return From(C4DOS()->scene->object_down(Handle())); }
  BaseObject* GetNext() { return From(C4DOS()->scene->object_next(Handle())); }
  BaseTag* GetFirstTag() { return BaseTag::From(C4DOS()->scene->object_first_tag(Handle())); }
  Bool GetDeformMode() { return C4DOS()->scene->object_get_state(Handle(), OBJECT_DEFORM); }
  void SetDeformMode(Bool on) { C4DOS()->scene->object_set_state(Handle(), OBJECT_DEFORM, on); }
  Matrix GetMg() {
    C4D_Matrix m;
    C4DOS()->scene->object_global_matrix(Handle(), &m);
    return *::FromC(&m);
  }
  // Inserts tag after pred; pred null: before all other tags.
  void InsertTag(BaseTag* tag, BaseTag* pred = nullptr) {
    C4DOS()->document->insert_tag(Handle(), tag->Handle(), pred ? pred->Handle() : nullptr);
  }
  void InsertUnderLast(BaseObject* parent) { C4DOS()->document->insert_under_last(Handle(), parent->Handle()); }
  // The restriction weights of this object for the deformer mod: one per point, owned by the
  // caller (GeFree). Null when mod is not restricted on this object or memory ran out.
  Float32* GetRestrictionWeights(BaseObject* mod) {
    return C4DOS()->geometry->restriction_weights(Handle(), mod->Handle());
  }
};

inline BaseObject* BaseTag::GetObject() { return BaseObject::From(C4DOS()->scene->tag_object(Handle())); }

class PointObject : public BaseObject {
 public:
  Int32 GetPointCount() { return C4DOS()->geometry->point_count(Handle()); }
  const Vector* GetPointR() { return ::FromC(C4DOS()->geometry->points_r(Handle())); }
  Vector* GetPointW() { return ::FromC(C4DOS()->geometry->points_w(Handle())); }
};

class PolygonObject : public PointObject {
 public:
  Int32 GetPolygonCount() { return C4DOS()->geometry->polygon_count(Handle()); }
  const CPolygon* GetPolygonR() { return ::FromC(C4DOS()->geometry->polygons_r(Handle())); }
};

inline PointObject* ToPoint(BaseObject* op) { return static_cast<PointObject*>(op); }
inline PolygonObject* ToPoly(BaseObject* op) { return static_cast<PolygonObject*>(op); }

// A parameter container.
class BaseContainer {
 public:
  C4D_Container* Handle() { return reinterpret_cast<C4D_Container*>(this); }
  const C4D_Container* Handle() const { return reinterpret_cast<const C4D_Container*>(this); }
  static BaseContainer* Alloc() { return reinterpret_cast<BaseContainer*>(C4DOS()->params->container_alloc()); }
  static void Free(BaseContainer*& bc) {
    if (bc) C4DOS()->params->container_free(bc->Handle());
    bc = nullptr;
  }
  Int32 GetInt32(Int32 id, Int32 preset = 0) const {
    return C4DOS()->params->container_get_int32(Handle(), id, preset);
  }
  void SetInt32(Int32 id, Int32 value) { C4DOS()->params->container_set_int32(Handle(), id, value); }
  BaseContainer() = delete;
};

// An in/exclude list parameter.
class InExcludeData {
 public:
  // The list's index of node looked up in doc; NOTOK when absent.
  Int32 GetObjectIndex(BaseDocument* doc, BaseList2D* node) const;
  InExcludeData() = delete;
};

// A temporary list of nodes.
class AtomArray {
 public:
  static AtomArray* Alloc() { return reinterpret_cast<AtomArray*>(C4DOS()->document->atomarray_alloc()); }
  static void Free(AtomArray*& arr) {
    if (arr) C4DOS()->document->atomarray_free(arr->Handle());
    arr = nullptr;
  }
  Int32 GetCount() const { return C4DOS()->document->atomarray_count(Handle()); }
  BaseList2D* GetIndex(Int32 i) const { return BaseList2D::From(C4DOS()->document->atomarray_get(Handle(), i)); }
  C4D_AtomArray* Handle() { return reinterpret_cast<C4D_AtomArray*>(this); }
  const C4D_AtomArray* Handle() const { return reinterpret_cast<const C4D_AtomArray*>(this); }
  AtomArray() = delete;
};

enum GETACTIVEOBJECTFLAGS : Int32 { GETACTIVEOBJECTFLAGS_0 = 0, GETACTIVEOBJECTFLAGS_CHILDREN = 1 };

class BaseDocument {
 public:
  C4D_Document* Handle() { return reinterpret_cast<C4D_Document*>(this); }
  static BaseDocument* From(C4D_Document* d) { return reinterpret_cast<BaseDocument*>(d); }
  // Selected objects of a type into arr (children: include selected objects' descendants).
  void GetActiveObjectsFilter(AtomArray& arr, Bool children, Int32 type, Int32 /*instanceof*/) {
    C4DOS()->document->selected_objects(Handle(), arr.Handle(), children, type);
  }
  Bool StartUndo() { return C4DOS()->document->undo_start(Handle()); }
  Bool EndUndo() { return C4DOS()->document->undo_end(Handle()); }
  Bool AddUndo(Int32 type, BaseList2D* node) { return C4DOS()->document->undo_add(Handle(), type, node->Handle()); }
  // Inserts op under parent after pred (both null: first at the top level).
  void InsertObject(BaseObject* op, BaseObject* parent, BaseObject* pred, Bool checknames = false) {
    C4DOS()->document->insert_object(Handle(), op->Handle(), parent ? parent->Handle() : nullptr,
                                     pred ? pred->Handle() : nullptr, checknames);
  }
  BaseDocument() = delete;
};

// The input state of a device channel into res.
inline Bool GetInputState(Int32 askdevice, Int32 askchannel, BaseContainer& res) {
  return C4DOS()->document->input_state(askdevice, askchannel, res.Handle());
}
#define BFM_INPUT_KEYBOARD 0x6B657962 /* 'keyb' */
#define BFM_INPUT_CHANNEL 0x69706361  /* 'ipca' */
#define BFM_INPUT_QUALIFIER 0x69707161 /* 'ipqa' */

// Asks the host to evaluate and redraw the scene.
inline void EventAdd(Int32 flags = EVENT_ADD) { C4DOS()->scene->event_add(flags); }

// The evaluation's execution list.
class PriorityList {
 public:
  void Add(BaseObject* op, Int32 priority, Int32 flags) {
    C4DOS()->scene->priority_add(reinterpret_cast<C4D_PriorityList*>(this), op->Handle(), priority, flags);
  }
  PriorityList() = delete;
};
#define EXECUTIONPRIORITY_GENERATOR 1000

class BaseThread {
 public:
  BaseThread() = delete;
};

// Host-allocated helper that frees itself (AutoAlloc<BaseContainer>, AutoAlloc<AtomArray>).
template <typename T>
class AutoAlloc {
 public:
  AutoAlloc() : p_(T::Alloc()) {}
  ~AutoAlloc() { T::Free(p_); }
  AutoAlloc(const AutoAlloc&) = delete;
  AutoAlloc& operator=(const AutoAlloc&) = delete;
  T* operator->() { return p_; }
  T& operator*() { return *p_; }
  operator T*() { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_;
};

#endif
