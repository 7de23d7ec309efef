// Bounds-checked reading of glTF accessors (typed views into binary buffers), including
// sparse accessors. Internal to the glTF importer.
#ifndef HOSTAPP_IO_GLTF_ACCESSOR_H
#define HOSTAPP_IO_GLTF_ACCESSOR_H

#include <string>
#include <vector>

namespace tinygltf {
class Model;
}

namespace hostapp {
namespace io_detail {

// Reads accessor `index` of model as numbers.
// in:  expected_type, a TINYGLTF_TYPE_* value the accessor must have (SCALAR, VEC3, MAT4...).
// out: *values holds count * components numbers, element after element, converted to
//      double; integer components marked normalized map to [0, 1] (unsigned) or [-1, 1]
//      (signed) as glTF defines. *count is the element count. false with *error saying
//      which accessor is wrong and why (bad index, wrong type, data outside its buffer,
//      a value that is not finite, bad sparse indices).
bool ReadAccessor(const tinygltf::Model& model, int index, int expected_type, std::vector<double>* values,
                  size_t* count, std::string* error);

}  // namespace io_detail
}  // namespace hostapp

#endif  // HOSTAPP_IO_GLTF_ACCESSOR_H
