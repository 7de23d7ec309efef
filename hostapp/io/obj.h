// Wavefront OBJ meshes: positions and faces.
#ifndef HOSTAPP_IO_OBJ_H
#define HOSTAPP_IO_OBJ_H

#include <string>
#include <string_view>

#include "hostapp/io/mesh.h"

namespace hostapp {

// Reads the positions ("v x y z", optionally followed by a w or a colour "r g b" or
// "r g b a", which are checked to be numbers and ignored) and faces ("f" with corners written
// v, v/vt, v//vn or v/vt/vn; negative indices count back from the last vertex read) of an OBJ
// file. Every other statement (vt, vn, o, g, s, usemtl, l, comments, ...) is ignored. Texture
// and normal indices are checked for form only. Lines end at "\n", "\r\n" or a lone "\r";
// "#" starts a comment, also after the values of a statement. The file is read in pieces,
// never whole; a mesh holds at most kMaxMeshPoints points and kMaxMeshPolygons polygons, a
// file at most kMaxInputFileBytes bytes, a line at most kMaxTextLineBytes.
//
// Faces of 3 or 4 corners are kept as they are. A face of n > 4 corners v0..v(n-1) is split
// into a fan around v0: quads (v0, v1, v2, v3), (v0, v3, v4, v5), ... while four corners
// remain, then one triangle (v0, v(n-2), v(n-1)) when n is odd. The fan suits the convex
// faces OBJ files hold in practice.
//
// in:  path.  out: true with *out replaced; on false, *error holds one line naming the
//      file, and the line ("FILE:LINE: ...") where the fault is in the text: a face with
//      fewer than 3 corners, an index of 0 or out of range, a malformed number, text after a
//      vertex's numbers, a mesh or line beyond the limits. A missing file, a directory, a file
//      too large, or a file without any vertex also fail. *out is unchanged on false.
bool ReadObj(const std::string& path, Mesh* out, std::string* error);

// ReadObj on text already in memory; name stands for the file in messages.
bool ParseObj(std::string_view text, const std::string& name, Mesh* out, std::string* error);

// Writes points ("v" lines, each coordinate with 17 significant digits so that reading the
// file back gives the same doubles) and polygons ("f" lines, 1-based; a triangle, c == d,
// as 3 corners). The file is replaced atomically.
// in:  path, mesh.  out: true when written; on false, *error names the file and the fault
//      (an index out of range, a coordinate that is not finite, a write failure) and no
//      file was created or changed.
bool WriteObj(const std::string& path, const Mesh& mesh, std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_IO_OBJ_H
