/*
 * c4d_abi.h - the one boundary between the host application and a plug-in.
 *
 * Plain C11. Nothing else crosses between the two sides: the host hands the plug-in a
 * C4D_HostTables block in c4d_main action 1; the plug-in hands the host a hook table per
 * plug-in it registers. Both sides include this header and nothing of the other.
 *
 * Conventions
 *  - Every table starts with a field that identifies its layout: the root block starts with
 *    the API version (an int32, checked by the plug-in against 15000) and its size in bytes;
 *    every sub-table and hook table starts with its size in bytes. A reader never touches a
 *    field past the size it was given.
 *  - Threads: "any" means any thread may call; "main" means the thread on which the host
 *    calls the plug-in (evaluation, messages, drawing, file I/O). Functions marked "any"
 *    are safe to call concurrently on different objects.
 *  - Ownership: a pointer returned by the host is borrowed unless the comment says "owned
 *    by the caller"; borrowed pointers stay valid while the node they belong to is alive and
 *    unchanged. NULL means absent or failed, as each comment says.
 *  - Bool results: true means success.
 *  - Strings cross as UTF-8, NUL-terminated.
 */
#ifndef C4D_ABI_H
#define C4D_ABI_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define C4D_API_VERSION 15000

/* Identifies this host's C4D_HostTables block. Other hosts hand over blocks that also start
 * with an API version of 15000 or more but lay out everything after it differently: a plug-in
 * checks this identifier before it reads anything else of the block. */
#define C4D_HOST_ID 0x54415652u /* "TAVR" */

/* ---------------------------------------------------------------- plain data */

typedef struct C4D_Vector {
  double x, y, z;
} C4D_Vector;

/* Affine frame: local (x, y, z) maps to off + x*v1 + y*v2 + z*v3. 96 bytes. */
typedef struct C4D_Matrix {
  C4D_Vector off, v1, v2, v3;
} C4D_Matrix;

/* Four corner indices; a triangle repeats its third corner (c == d). */
typedef struct C4D_CPolygon {
  int32_t a, b, c, d;
} C4D_CPolygon;

/* Adjacency of one polygon, per side a-b, b-c, c-d, d-a. */
typedef struct C4D_PolyInfo {
  int32_t face[4]; /* lowest-index other polygon across the side, -1 on an open border */
  int32_t edge[4]; /* edge index, unique per distinct unordered edge (-1 for a triangle's side 2) */
  bool mark[4];    /* true when the edge was already reported by an earlier polygon side */
} C4D_PolyInfo;

/* Handle of a registered plug-in's geometric handle (falloff handles, object handles). */
typedef struct C4D_HandleInfo {
  C4D_Vector position;
  C4D_Vector direction;
  int32_t type; /* 0 point, 1 vector, 2 plane */
} C4D_HandleInfo;

/* Data of the button message (C4D_MSG_DESCRIPTION_COMMAND): begins with the button's id. */
typedef struct C4D_DescriptionCommand {
  int32_t id; /* first level of the pressed button's description id */
} C4D_DescriptionCommand;

/* ---------------------------------------------------------------- opaque handles */

typedef struct C4D_Node C4D_Node;                 /* object or tag in a scene (BaseList2D) */
typedef struct C4D_Document C4D_Document;         /* a scene */
typedef struct C4D_Container C4D_Container;       /* parameter container (BaseContainer) */
typedef struct C4D_InExclude C4D_InExclude;       /* in/exclude list parameter */
typedef struct C4D_String C4D_String;             /* host string */
typedef struct C4D_Thread C4D_Thread;             /* host thread running a plug-in C4DThread */
typedef struct C4D_ThreadGroup C4D_ThreadGroup;   /* a group of worker threads on a parent */
typedef struct C4D_Neighbor C4D_Neighbor;         /* polygon adjacency */
typedef struct C4D_HyperFile C4D_HyperFile;       /* typed scene-file stream */
typedef struct C4D_Bitmap C4D_Bitmap;             /* picture (icons) */
typedef struct C4D_Resource C4D_Resource;         /* a plug-in's string tables and descriptions */
typedef struct C4D_Description C4D_Description;   /* a node's parameter description being built */
typedef struct C4D_PriorityList C4D_PriorityList; /* execution list of one evaluation */
typedef struct C4D_AtomArray C4D_AtomArray;       /* temporary list of nodes */
typedef struct C4D_FalloffHandle C4D_FalloffHandle; /* falloff component (library 1019541) */
typedef struct C4D_View C4D_View;                 /* viewport being drawn (BaseDraw) */
typedef struct C4D_DrawHelp C4D_DrawHelp;         /* drawing context (BaseDrawHelp) */

/* ---------------------------------------------------------------- constants */

/* Type ids. */
#define C4D_OPOLYGON 5100
#define C4D_ONULL 5140
#define C4D_OSPLINE 5101
#define C4D_OJOINT 1019362
#define C4D_OSKIN 1019363
#define C4D_OPOINTCACHE 1035900 /* host's point-cache deformer */
#define C4D_DATA_POINT 5600
#define C4D_DATA_POLYGON 5604
#define C4D_TVERTEXMAP 5682
#define C4D_TWEIGHT 1019365
#define C4D_TRESTRICTION 5683
#define C4D_LIB_FALLOFF 1019541
#define C4D_FALLOFF_INFINITE 1019543
#define C4D_FALLOFF_SPHERE 1019544
#define C4D_FALLOFF_BOX 1019545
#define C4D_FALLOFF_LINEAR 1019546

/* Parameter value types (C4D_Data.type). */
#define C4D_DA_NIL 0
#define C4D_DA_LONG 15
#define C4D_DA_REAL 19
#define C4D_DA_VECTOR 23
#define C4D_DA_STRING 130
#define C4D_DA_ALIASLINK 133
#define C4D_DA_INEXCLUDE 1009290

/* Parameter every expression tag gets from the host: its enable switch (Int32 0/1). */
#define C4D_EXPRESSION_ENABLE 1000999

/* Messages. */
#define C4D_MSG_UPDATE 5
#define C4D_MSG_DESCRIPTION_COMMAND 18
#define C4D_MSG_MENUPREPARE 22
#define C4D_MSG_SYSTEM_INIT 1        /* c4d_main action 6, plug-in message: system initialisation */
#define C4D_MSG_PRIORITY 1001        /* c4d_main action 6, plug-in message: priority */

/* Bits, states, flags. */
#define C4D_BIT_ACTIVE 2             /* selection bit of a node */
#define C4D_OBJECT_DEFORM 2          /* object state: deform on */
#define C4D_DIRTYFLAGS_DATA 4
#define C4D_EVENT_ADD 0
#define C4D_UNDOTYPE_NEW 44
#define C4D_DESCFLAGS_DESC_LOADED 2
#define C4D_QUALIFIER_SHIFT 1
#define C4D_QUALIFIER_CTRL 2
#define C4D_CMD_ENABLED 0x40000000

/* Results. */
#define C4D_EXECUTIONRESULT_OK 0
#define C4D_EXECUTIONRESULT_USERBREAK 1
#define C4D_EXECUTIONRESULT_OUTOFMEMORY 2
#define C4D_DRAWRESULT_ERROR 0
#define C4D_DRAWRESULT_OK 1
#define C4D_DRAWRESULT_SKIP 2
#define C4D_IMAGERESULT_OK 1

/* Draw passes. */
#define C4D_DRAWPASS_OBJECT 0
#define C4D_DRAWPASS_HANDLES 3

/* Threads. */
#define C4D_THREADMODE_SYNCHRONOUS 0
#define C4D_THREADMODE_ASYNC 1
#define C4D_THREADPRIORITY_NORMAL 0

/* Plug-in info flags. */
#define C4D_OBJECT_MODIFIER 1
#define C4D_OBJECT_CALL_ADDEXECUTION 32768
#define C4D_TAG_VISIBLE 1
#define C4D_TAG_MULTIPLE 2
#define C4D_TAG_EXPRESSION 8

/* ---------------------------------------------------------------- parameter values */

/* One parameter value. Borrowed pointers (str, inex, link) are valid until the parameter
 * changes or the node is freed; a reader copies what it keeps. */
typedef struct C4D_Data {
  int32_t type;          /* C4D_DA_*; C4D_DA_NIL when the parameter is absent */
  int32_t i32;           /* C4D_DA_LONG (Bool is stored as 0 or 1) */
  double f64;            /* C4D_DA_REAL */
  C4D_Vector vec;        /* C4D_DA_VECTOR */
  const char* str;       /* C4D_DA_STRING: UTF-8 */
  C4D_Node* link;        /* C4D_DA_ALIASLINK: the linked node, NULL when empty or dangling */
  C4D_InExclude* inex;   /* C4D_DA_INEXCLUDE: the list */
} C4D_Data;

/* ================================================================ host tables */

typedef struct C4D_MemoryTable {
  int32_t size;
  /* any. Zero-filled block of `size` bytes, tagged with the allocating source line and file
   * (file: a string literal, kept by pointer). NULL: out of memory (or a size < 0). */
  void* (*alloc_clear)(int64_t size, int32_t line, const char* file);
  /* any. As alloc_clear, contents undefined. */
  void* (*alloc)(int64_t size, int32_t line, const char* file);
  /* any. Grows or shrinks a block from alloc/alloc_clear/realloc (NULL p: allocate). NULL:
   * failure, and p is left untouched and still owned by the caller. */
  void* (*realloc)(void* p, int64_t size, int32_t line, const char* file);
  /* any. Frees a block of this table; NULL is ignored. */
  void (*free)(void* p);
} C4D_MemoryTable;

/* Hooks through which the host runs a plug-in thread object. `user` is the plug-in's object. */
typedef struct C4D_ThreadHooks {
  int32_t size;
  void (*main)(void* user);              /* the thread's work, on the host's thread */
  bool (*test_break)(void* user);        /* true asks the thread to stop early */
  const char* (*name)(void* user);       /* static name for diagnostics */
} C4D_ThreadHooks;

typedef struct C4D_ThreadTable {
  int32_t size;
  /* any. A thread object that runs hooks->main(user) when started. Owned by the caller
   * (thread_free). NULL: out of memory. hooks must outlive the thread. */
  C4D_Thread* (*thread_alloc)(void* user, const C4D_ThreadHooks* hooks);
  /* any. Ends (waiting) and frees the thread object; NULL is ignored. */
  void (*thread_free)(C4D_Thread* t);
  /* any. Starts the thread: mode C4D_THREADMODE_ASYNC returns at once, SYNCHRONOUS runs main
   * on the calling thread. false: it could not be started (it is then not running). A start
   * never waits for a free pool slot, so a parent may always wait for its children. */
  bool (*thread_start)(C4D_Thread* t, int32_t mode, int32_t priority);
  /* any. true while the thread's main has been started and has not yet returned. */
  bool (*thread_is_running)(C4D_Thread* t);
  /* any. Blocks until the thread is not running. */
  void (*thread_wait)(C4D_Thread* t);
  /* any. Asks the thread to stop (its test_break turns true) and, if wait, waits for it. */
  void (*thread_end)(C4D_Thread* t, bool wait);
  /* any. true when the thread was asked to end. */
  bool (*thread_test_break)(C4D_Thread* t);
  /* any. The machine's processor thread count offered to plug-ins (>= 1). */
  int32_t (*processor_count)(void);
  /* any. A group of `count` workers on `parent` (the thread that will start and wait for it).
   * threads[] are borrowed and must outlive the group. Owned by the caller (group_free).
   * NULL: out of memory or count < 1. */
  C4D_ThreadGroup* (*group_alloc)(C4D_Thread* parent, int32_t count, C4D_Thread* const* threads);
  /* any. Starts the workers one by one; if one cannot start, ends those already started,
   * waits for them and answers false. */
  bool (*group_start)(C4D_ThreadGroup* g, int32_t priority);
  /* any. Blocks until every worker of the group has returned. */
  void (*group_wait)(C4D_ThreadGroup* g);
  /* any. Asks every worker to end and waits for them. */
  void (*group_end)(C4D_ThreadGroup* g);
  /* any. Ends and frees the group (not its threads); NULL is ignored. */
  void (*group_free)(C4D_ThreadGroup* g);
} C4D_ThreadTable;

typedef struct C4D_NeighborTable {
  int32_t size;
  /* any. An empty adjacency. Owned by the caller (neighbor_free). NULL: out of memory. */
  C4D_Neighbor* (*neighbor_alloc)(void);
  void (*neighbor_free)(C4D_Neighbor* n);
  /* any. Builds the adjacency of polygons over point_count points; selection must be NULL.
   * false: out of memory, a negative count, or a corner index outside 0..point_count-1.
   * Rules: for each distinct unordered edge, mark is false on its first occurrence in
   * polygon order, then side order; face is -1 exactly when no other polygon uses the edge,
   * else the lowest-index other polygon that does; a triangle's side 2 is no edge (face -1,
   * mark true, edge -1). */
  bool (*neighbor_init)(C4D_Neighbor* n, int32_t point_count, const C4D_CPolygon* polygons,
                        int32_t polygon_count, const void* selection);
  /* any. Adjacency of one polygon; borrowed until the next init or free. NULL: bad index. */
  const C4D_PolyInfo* (*neighbor_poly_info)(C4D_Neighbor* n, int32_t polygon);
  /* any. The polygons using point, ascending, each once; *count 0 for an unused point or a
   * bad index. The array is borrowed until the next init or free. */
  void (*neighbor_point_polys)(C4D_Neighbor* n, int32_t point, const int32_t** polys,
                               int32_t* count);
} C4D_NeighborTable;

typedef struct C4D_StringTable {
  int32_t size;
  /* any. A new empty string, owned by the caller (string_free). NULL: out of memory. */
  C4D_String* (*string_alloc)(void);
  void (*string_free)(C4D_String* s);
  /* any. Replaces the text with `len` bytes of UTF-8. false: out of memory. */
  bool (*string_set)(C4D_String* s, const char* utf8, int64_t len);
  /* any. The text (borrowed until the string changes) and its length in bytes. */
  const char* (*string_get)(const C4D_String* s, int64_t* len);
  /* any. Inserts `other` before byte position pos (clamped to the length). */
  bool (*string_insert)(C4D_String* s, int64_t pos, const C4D_String* other);
  /* any. Sets s to the host's text of a byte count ("0 B", "23.4 KB", ...). */
  bool (*string_memory_size)(C4D_String* s, int64_t bytes);
} C4D_StringTable;

typedef struct C4D_ParameterTable {
  int32_t size;
  /* main. Reads the parameter with one-level description id `id` into *out (type NIL when
   * absent). false: no such parameter. */
  bool (*get_parameter)(C4D_Node* node, int32_t id, C4D_Data* out);
  /* main. Writes a parameter: LONG, REAL, VECTOR, STRING (copied) or ALIASLINK (link NULL
   * clears it). false: unsupported type or out of memory. The node is marked dirty. */
  bool (*set_parameter)(C4D_Node* node, int32_t id, const C4D_Data* value);
  /* main. The node's own parameter container (borrowed); NULL when it has none. */
  C4D_Container* (*node_container)(C4D_Node* node);
  /* any. A fresh empty container, owned by the caller (container_free). */
  C4D_Container* (*container_alloc)(void);
  void (*container_free)(C4D_Container* bc);
  /* any. The Int32 under id, or def when absent or of another type. */
  int32_t (*container_get_int32)(const C4D_Container* bc, int32_t id, int32_t def);
  bool (*container_set_int32)(C4D_Container* bc, int32_t id, int32_t value);
  /* main. The list's index of `node`, looked up in doc; -1 when not in the list. */
  int32_t (*inexclude_find_index)(const C4D_InExclude* list, C4D_Document* doc, C4D_Node* node);
} C4D_ParameterTable;

typedef struct C4D_SceneTable {
  int32_t size;
  /* main. Type id of a node (5100 polygon object, 5682 vertex map, plug-in ids, ...). */
  int32_t (*node_type)(C4D_Node* node);
  /* main. The plug-in instance behind a node of a registered plug-in type, else NULL. */
  void* (*node_instance)(C4D_Node* node);
  /* main. The document the node is in, NULL when not inserted. */
  C4D_Document* (*node_document)(C4D_Node* node);
  bool (*node_get_bit)(C4D_Node* node, int32_t bit);
  void (*node_set_bit)(C4D_Node* node, int32_t bit, bool on);
  /* main. Marks the node dirty with C4D_DIRTYFLAGS_*. */
  void (*node_set_dirty)(C4D_Node* node, int32_t flags);
  /* main. Sends a message (C4D_MSG_UPDATE, ...) to the node. */
  bool (*node_message)(C4D_Node* node, int32_t type, void* data);
  /* main. Hierarchy of objects; NULL at the ends. */
  C4D_Node* (*object_up)(C4D_Node* op);
  C4D_Node* (*object_down)(C4D_Node* op);
  C4D_Node* (*object_next)(C4D_Node* op);
  /* main. Tags of an object in order; a tag's object. */
  C4D_Node* (*object_first_tag)(C4D_Node* op);
  C4D_Node* (*tag_next)(C4D_Node* tag);
  C4D_Node* (*tag_object)(C4D_Node* tag);
  /* main. The scene tag that a working copy's tag was copied from; the tag itself for a
   * scene tag; NULL when unknown. */
  C4D_Node* (*tag_origin)(C4D_Node* tag);
  /* main. Object state bits (C4D_OBJECT_DEFORM). */
  bool (*object_get_state)(C4D_Node* op, int32_t state);
  void (*object_set_state)(C4D_Node* op, int32_t state, bool on);
  /* main. Global matrix of an object. */
  void (*object_global_matrix)(C4D_Node* op, C4D_Matrix* out);
  /* main. Adds op to an evaluation's execution list at priority. */
  bool (*priority_add)(C4D_PriorityList* list, C4D_Node* op, int32_t priority, int32_t flags);
  /* main. Asks the host to re-evaluate and redraw the scene (C4D_EVENT_ADD). */
  void (*event_add)(int32_t flags);
} C4D_SceneTable;

typedef struct C4D_GeometryTable {
  int32_t size;
  /* main, or a thread the caller blocks for. Point and polygon counts (0 for an object
   * that has none). */
  int32_t (*point_count)(C4D_Node* op);
  int32_t (*polygon_count)(C4D_Node* op);
  /* Points of a point object (borrowed; NULL when it has none). */
  const C4D_Vector* (*points_r)(C4D_Node* op);
  C4D_Vector* (*points_w)(C4D_Node* op);
  const C4D_CPolygon* (*polygons_r)(C4D_Node* op);
  /* A variable tag (vertex map: one float per point): its entry count and read-only data. */
  int32_t (*variable_tag_count)(C4D_Node* tag);
  const void* (*variable_tag_data_r)(C4D_Node* tag);
  /* main. Restriction weights of op for deformer: one float per point, owned by the caller
   * (memory free). NULL when the deformer is not restricted on op (or out of memory). */
  float* (*restriction_weights)(C4D_Node* op, C4D_Node* deformer);
} C4D_GeometryTable;

typedef struct C4D_DocumentTable {
  int32_t size;
  /* main. A temporary node list, owned by the caller. */
  C4D_AtomArray* (*atomarray_alloc)(void);
  void (*atomarray_free)(C4D_AtomArray* arr);
  int32_t (*atomarray_count)(const C4D_AtomArray* arr);
  C4D_Node* (*atomarray_get)(const C4D_AtomArray* arr, int32_t index); /* NULL: bad index */
  /* main. Fills arr with the selected objects of type (0: any), in hierarchy order; with
   * children, selected objects below selected ones count too. */
  void (*selected_objects)(C4D_Document* doc, C4D_AtomArray* arr, bool children, int32_t type);
  /* main. One undo step for everything between start and end. */
  bool (*undo_start)(C4D_Document* doc);
  bool (*undo_end)(C4D_Document* doc);
  /* main. Records an undo entry for node (C4D_UNDOTYPE_NEW after inserting it). */
  bool (*undo_add)(C4D_Document* doc, int32_t type, C4D_Node* node);
  /* main. A new object or tag of a type id, not inserted; owned by the caller until
   * inserted. NULL: unknown type or out of memory. */
  C4D_Node* (*object_alloc)(int32_t type);
  C4D_Node* (*tag_alloc)(int32_t type);
  void (*node_free)(C4D_Node* node); /* only for nodes never inserted */
  /* main. Inserts tag on op after pred (NULL: before all other tags). */
  void (*insert_tag)(C4D_Node* op, C4D_Node* tag, C4D_Node* pred);
  /* main. Inserts op in doc: under parent after pred; pred and parent NULL: first at top. */
  void (*insert_object)(C4D_Document* doc, C4D_Node* op, C4D_Node* parent, C4D_Node* pred,
                        bool check_names);
  /* main. Inserts op as the last child of parent. */
  void (*insert_under_last)(C4D_Node* op, C4D_Node* parent);
  /* main. The input state of device/channel into res ('ipqa': qualifiers). false: failure. */
  bool (*input_state)(int32_t device, int32_t channel, C4D_Container* res);
} C4D_DocumentTable;

typedef struct C4D_FileTable {
  int32_t size;
  /* main. Typed scene-file stream; false: failure (end of data, wrong type, I/O error). */
  bool (*write_bool)(C4D_HyperFile* hf, bool v);
  bool (*write_int32)(C4D_HyperFile* hf, int32_t v);
  bool (*write_float)(C4D_HyperFile* hf, double v);
  bool (*write_vector)(C4D_HyperFile* hf, const C4D_Vector* v);
  bool (*read_bool)(C4D_HyperFile* hf, bool* v);
  bool (*read_int32)(C4D_HyperFile* hf, int32_t* v);
  bool (*read_float)(C4D_HyperFile* hf, double* v);
  bool (*read_vector)(C4D_HyperFile* hf, C4D_Vector* v);
  /* main. Bytes still unread in the current plug-in's block (for bounding counts). */
  int64_t (*remaining)(C4D_HyperFile* hf);
} C4D_FileTable;

/* Hooks of an object or tag plug-in: the host calls plug-in code only through these.
 * `inst` is the instance that alloc returned for the node. */
typedef struct C4D_NodeHooks {
  int32_t size;
  void* user;                              /* passed to alloc: which class to make */
  void* (*alloc)(void* user);              /* factory; NULL: out of memory */
  void (*free)(void* inst);                /* destroys the instance */
  bool (*init)(void* inst, C4D_Node* node);
  bool (*read)(void* inst, C4D_Node* node, C4D_HyperFile* hf, int32_t level);
  bool (*write)(void* inst, C4D_Node* node, C4D_HyperFile* hf);
  bool (*message)(void* inst, C4D_Node* node, int32_t type, void* data);
  /* Copies the plug-in data of snode into dnode's instance (dest may be NULL). */
  bool (*copy_to)(void* inst, void* dest, C4D_Node* snode, C4D_Node* dnode, int32_t flags);
  /* Builds the node's description; *flags gets C4D_DESCFLAGS_DESC_LOADED when done. */
  bool (*get_ddescription)(void* inst, C4D_Node* node, C4D_Description* desc, int32_t* flags);
  /* Whether parameter id is enabled in the interface. */
  bool (*get_denabling)(void* inst, C4D_Node* node, int32_t id);
} C4D_NodeHooks;

typedef struct C4D_ObjectHooks {
  int32_t size;
  C4D_NodeHooks node;
  int32_t (*draw)(void* inst, C4D_Node* op, int32_t pass, C4D_View* bd, C4D_DrawHelp* bh);
  bool (*add_to_execution)(void* inst, C4D_Node* op, C4D_PriorityList* list);
  int32_t (*execute)(void* inst, C4D_Node* op, C4D_Document* doc, C4D_Thread* bt,
                     int32_t priority, int32_t flags);
  bool (*modify_object)(void* inst, C4D_Node* mod, C4D_Document* doc, C4D_Node* op,
                        const C4D_Matrix* op_mg, const C4D_Matrix* mod_mg, double lod,
                        int32_t flags, C4D_Thread* thread);
  void (*check_dirty)(void* inst, C4D_Node* op, C4D_Document* doc);
  int32_t (*get_handle_count)(void* inst, C4D_Node* op);
  void (*get_handle)(void* inst, C4D_Node* op, int32_t i, C4D_HandleInfo* info);
  void (*set_handle)(void* inst, C4D_Node* op, int32_t i, C4D_Vector p, const C4D_HandleInfo* info);
} C4D_ObjectHooks;

typedef struct C4D_TagHooks {
  int32_t size;
  C4D_NodeHooks node;
  bool (*draw)(void* inst, C4D_Node* tag, C4D_Node* op, C4D_View* bd, C4D_DrawHelp* bh);
  int32_t (*execute)(void* inst, C4D_Node* tag, C4D_Document* doc, C4D_Node* op,
                     C4D_Thread* bt, int32_t priority, int32_t flags);
} C4D_TagHooks;

typedef struct C4D_CommandHooks {
  int32_t size;
  void* inst;                                  /* the one command instance */
  void (*free)(void* inst);                    /* the host frees the instance when it ends */
  bool (*execute)(void* inst, C4D_Document* doc);
  int32_t (*get_state)(void* inst, C4D_Document* doc);
} C4D_CommandHooks;

typedef struct C4D_RegistryTable {
  int32_t size;
  /* main. Loads a plug-in's string tables and descriptions from folder/res. Owned by the
   * caller (resource_free). NULL: missing or malformed (the host prints why). */
  C4D_Resource* (*resource_load)(const char* plugin_folder);
  void (*resource_free)(C4D_Resource* res);
  /* main. String `id` of the resource; "" when absent. Borrowed from the resource. */
  const char* (*resource_string)(const C4D_Resource* res, int32_t id);
  /* main. Prints one line on the host's console. */
  void (*console_print)(const char* line);
  /* main. Pictures: a bitmap owned by the caller; init from a file (result C4D_IMAGERESULT_OK
   * on success). */
  C4D_Bitmap* (*bitmap_alloc)(void);
  void (*bitmap_free)(C4D_Bitmap* bmp);
  int32_t (*bitmap_init_file)(C4D_Bitmap* bmp, const char* path, int32_t frame);
  /* main. Registers the description resource `name` of res under id. */
  bool (*register_description)(int32_t id, const char* name, const C4D_Resource* res);
  /* main. Registration; the host copies everything it keeps (names, icon pixels). false aborts. */
  bool (*register_command)(int32_t id, const char* name, int32_t info, C4D_Bitmap* icon,
                           const char* help, const C4D_CommandHooks* hooks);
  bool (*register_object)(int32_t id, const char* name, int32_t info, const C4D_ObjectHooks* hooks,
                          const char* description, C4D_Bitmap* icon, int32_t disklevel);
  bool (*register_tag)(int32_t id, const char* name, int32_t info, const C4D_TagHooks* hooks,
                       const char* description, C4D_Bitmap* icon, int32_t disklevel);
  /* main. Loads the description registered for type into desc (flag 2 = C4D_DESCFLAGS_DESC_LOADED). */
  bool (*description_load)(C4D_Description* desc, int32_t type, int32_t flags);
} C4D_RegistryTable;

typedef struct C4D_FalloffTable {
  int32_t size;
  /* main. A falloff component (shape infinite), owned by the caller. NULL: failure. */
  C4D_FalloffHandle* (*alloc)(void);
  void (*free)(C4D_FalloffHandle* f);
  /* main. Takes its settings from bc and its placement from op's global matrix. */
  bool (*init)(C4D_FalloffHandle* f, const C4D_Container* bc, C4D_Document* doc, C4D_Node* op);
  /* main. A count that changes whenever the settings in bc change. */
  int32_t (*dirty)(C4D_FalloffHandle* f, const C4D_Container* bc);
  /* main. Sets the shape (C4D_FALLOFF_*) before the description is built. */
  bool (*set_mode)(C4D_FalloffHandle* f, int32_t mode, C4D_Container* bc);
  /* main. Adds the falloff's parameters to a description. */
  bool (*add_description)(C4D_FalloffHandle* f, C4D_Description* desc, const C4D_Container* bc);
  /* main. Draws the falloff's shape. */
  void (*draw)(C4D_FalloffHandle* f, C4D_View* bd, C4D_DrawHelp* bh, int32_t pass, const C4D_Container* bc);
  int32_t (*handle_count)(C4D_FalloffHandle* f, const C4D_Container* bc);
  void (*get_handle)(C4D_FalloffHandle* f, int32_t i, const C4D_Container* bc, C4D_HandleInfo* info);
  void (*set_handle)(C4D_FalloffHandle* f, int32_t i, C4D_Vector p, C4D_Container* bc, const C4D_HandleInfo* info);
  /* main. Copies the settings into dest. */
  bool (*copy_to)(const C4D_FalloffHandle* f, C4D_FalloffHandle* dest);
  /* any, after init. Weight at a global position into *weight. */
  bool (*sample)(const C4D_FalloffHandle* f, const C4D_Vector* p, double* weight, bool spline, double start);
} C4D_FalloffTable;

typedef struct C4D_DrawTable {
  int32_t size;
  /* main, during drawing. Lines in global space. */
  void (*set_color)(C4D_View* bd, const C4D_Vector* rgb);
  void (*line)(C4D_View* bd, const C4D_Vector* a, const C4D_Vector* b);
  void (*handle)(C4D_View* bd, const C4D_Vector* p, int32_t type);
  /* The host's own drawing of an object (its handles in the handle pass); C4D_DRAWRESULT_*. */
  int32_t (*object_default_draw)(C4D_Node* op, int32_t pass, C4D_View* bd, C4D_DrawHelp* bh);
} C4D_DrawTable;

/* The block handed over in c4d_main action 1. api_version comes first, as an int32, then the
 * host's identifier; a reader checks both before it reads any other field. */
typedef struct C4D_HostTables {
  int32_t api_version; /* >= C4D_API_VERSION */
  uint32_t host_id;    /* C4D_HOST_ID */
  int32_t size;        /* sizeof(C4D_HostTables) as the host built it */
  const C4D_MemoryTable* memory;
  const C4D_ThreadTable* threads;
  const C4D_NeighborTable* neighbor;
  const C4D_StringTable* strings;
  const C4D_ParameterTable* params;
  const C4D_SceneTable* scene;
  const C4D_GeometryTable* geometry;
  const C4D_DocumentTable* document;
  const C4D_FileTable* files;
  const C4D_RegistryTable* registry;
  const C4D_FalloffTable* falloff;
  const C4D_DrawTable* draw;
} C4D_HostTables;

/* The plug-in's entry, exported by the library: c4d_main(action, first, second, third). */
typedef int32_t (*C4D_MainFn)(int32_t action, void* first, void* second, void* third);

/* Actions of the entry. */
#define C4D_PL_INIT_SYS 1     /* first: the C4D_HostTables*, third: the plug-in file's path
                               * (const char*); answers C4D_PL_OK or C4D_PL_ERROR_VERSION.
                               * Only a successful init counts: every one is matched by an end. */
#define C4D_PL_START 2        /* registrations; C4D_PL_OK or C4D_PL_FAILED */
#define C4D_PL_END 3          /* C4D_PL_OK; the last end of the successful inits frees everything */
#define C4D_PL_INIT_VERSION 4 /* answers C4D_PL_INTERFACE_VERSION */
#define C4D_PL_MESSAGE 6      /* first: message id (C4D_MSG_SYSTEM_INIT, ...) as intptr_t,
                               * second: data; C4D_PL_OK or C4D_PL_UNHANDLED */

/* Answers of the entry. */
#define C4D_PL_OK 1
#define C4D_PL_FAILED 0
#define C4D_PL_UNHANDLED -1       /* an unknown action, or a message that failed or is unknown */
#define C4D_PL_ERROR_VERSION -3   /* init refused the host: no tables of this host, an older
                                   * API version, a missing service table or no path */
#define C4D_PL_INTERFACE_VERSION 5
#define C4D_MAIN_SYMBOL "c4d_main"

#ifdef __cplusplus
}
#endif

#endif /* C4D_ABI_H */
