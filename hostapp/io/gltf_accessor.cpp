#include "hostapp/io/gltf_accessor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "hostapp/io/tiny_gltf_include.h"

namespace hostapp {
namespace io_detail {

namespace {

// The size in bytes of one component, 0 for an unknown component type.
size_t ComponentSize(int component_type) {
  switch (component_type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return 4;
    default:
      return 0;
  }
}

// in: p, one component of the given type (little-endian, any alignment).
// out: its value; normalized integers scaled as glTF defines.
double ReadComponent(const unsigned char* p, int component_type, bool normalized) {
  switch (component_type) {
    case TINYGLTF_COMPONENT_TYPE_BYTE: {
      int8_t v;
      std::memcpy(&v, p, 1);
      return normalized ? std::max(v / 127.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return normalized ? p[0] / 255.0 : p[0];
    case TINYGLTF_COMPONENT_TYPE_SHORT: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return normalized ? std::max(v / 32767.0, -1.0) : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return normalized ? v / 65535.0 : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return normalized ? v / 4294967295.0 : v;
    }
    default: {
      float v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

// A run of `count` elements of `element_size` bytes, `stride` apart, inside a buffer view.
struct Span {
  const unsigned char* first = nullptr;
  size_t stride = 0;
};

// in:  view index, byte offset into the view, element count, element size, whether the
//      view's byteStride applies (it does not for sparse data).
// out: *span locating the data; false with *why when any of it lies outside the view or
//      the view outside its buffer.
bool LocateInView(const tinygltf::Model& model, int view_index, size_t offset, size_t count, size_t element_size,
                  bool use_stride, Span* span, std::string* why) {
  if (view_index < 0 || static_cast<size_t>(view_index) >= model.bufferViews.size()) {
    *why = "bufferView " + std::to_string(view_index) + " does not exist";
    return false;
  }
  const tinygltf::BufferView& view = model.bufferViews[view_index];
  if (view.buffer < 0 || static_cast<size_t>(view.buffer) >= model.buffers.size()) {
    *why = "bufferView " + std::to_string(view_index) + " names buffer " + std::to_string(view.buffer) +
           ", which does not exist";
    return false;
  }
  const std::vector<unsigned char>& data = model.buffers[view.buffer].data;
  if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset) {
    *why = "bufferView " + std::to_string(view_index) + " lies outside buffer " + std::to_string(view.buffer) + " (" +
           std::to_string(data.size()) + " bytes)";
    return false;
  }
  size_t stride = use_stride && view.byteStride != 0 ? view.byteStride : element_size;
  if (stride < element_size) {
    *why = "bufferView " + std::to_string(view_index) + " has a byteStride smaller than one element";
    return false;
  }
  // The last element ends at offset + stride * (count - 1) + element_size; checked without overflow.
  bool fits = offset <= view.byteLength;
  if (fits && count > 0) {
    size_t room = view.byteLength - offset;
    fits = element_size <= room && (count - 1) <= (room - element_size) / stride;
  }
  if (!fits) {
    *why = "its data runs past the end of bufferView " + std::to_string(view_index);
    return false;
  }
  span->first = data.data() + view.byteOffset + offset;
  span->stride = stride;
  return true;
}

}  // namespace

bool ReadAccessor(const tinygltf::Model& model, int index, int expected_type, std::vector<double>* values,
                  size_t* count, std::string* error) {
  std::string why;
  auto fail = [&](const std::string& reason) {
    *error = "accessor " + std::to_string(index) + ": " + reason;
    return false;
  };
  if (index < 0 || static_cast<size_t>(index) >= model.accessors.size()) return fail("does not exist");
  const tinygltf::Accessor& a = model.accessors[index];
  if (a.type != expected_type) return fail("has the wrong type for its use");
  const int components = tinygltf::GetNumComponentsInType(static_cast<uint32_t>(a.type));
  const size_t component_size = ComponentSize(a.componentType);
  if (components <= 0 || component_size == 0) return fail("has an unknown component type");
  const bool is_matrix = a.type == TINYGLTF_TYPE_MAT2 || a.type == TINYGLTF_TYPE_MAT3 || a.type == TINYGLTF_TYPE_MAT4;
  if (is_matrix && a.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT) return fail("matrices must be floats");
  const size_t element_size = component_size * static_cast<size_t>(components);

  values->clear();
  if (a.bufferView >= 0) {
    Span span;
    if (!LocateInView(model, a.bufferView, a.byteOffset, a.count, element_size, true, &span, &why)) return fail(why);
    values->resize(a.count * static_cast<size_t>(components));
    double* out = values->data();
    for (size_t i = 0; i < a.count; ++i) {
      const unsigned char* p = span.first + i * span.stride;
      for (int c = 0; c < components; ++c)
        *out++ = ReadComponent(p + c * component_size, a.componentType, a.normalized);
    }
  } else {
    // No data of its own: all zeros, possibly overridden by sparse values. The count is
    // bounded by the sparse data that must back a real file's use of it.
    if (!a.sparse.isSparse) return fail("has no bufferView and is not sparse");
    if (a.count > (size_t{1} << 26)) return fail("is too large for an accessor without data");
    values->assign(a.count * static_cast<size_t>(components), 0.0);
  }

  if (a.sparse.isSparse) {
    const size_t sparse_count = a.sparse.count < 0 ? 0 : static_cast<size_t>(a.sparse.count);
    if (a.sparse.count <= 0 || sparse_count > a.count) return fail("has a bad sparse count");
    const int index_type = a.sparse.indices.componentType;
    if (index_type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && index_type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
        index_type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) {
      return fail("has sparse indices of a bad component type");
    }
    if (a.sparse.indices.byteOffset < 0 || a.sparse.values.byteOffset < 0) return fail("has a negative sparse offset");
    Span indices, sparse_values;
    if (!LocateInView(model, a.sparse.indices.bufferView, static_cast<size_t>(a.sparse.indices.byteOffset),
                      sparse_count, ComponentSize(index_type), false, &indices, &why) ||
        !LocateInView(model, a.sparse.values.bufferView, static_cast<size_t>(a.sparse.values.byteOffset), sparse_count,
                      element_size, false, &sparse_values, &why)) {
      return fail("sparse: " + why);
    }
    for (size_t k = 0; k < sparse_count; ++k) {
      const double target = ReadComponent(indices.first + k * indices.stride, index_type, false);
      if (!(target < static_cast<double>(a.count))) return fail("has a sparse index out of range");
      double* out = values->data() + static_cast<size_t>(target) * static_cast<size_t>(components);
      const unsigned char* p = sparse_values.first + k * sparse_values.stride;
      for (int c = 0; c < components; ++c)
        out[c] = ReadComponent(p + c * component_size, a.componentType, a.normalized);
    }
  }

  for (double v : *values) {
    if (!std::isfinite(v)) return fail("holds a value that is not finite");
  }
  *count = a.count;
  return true;
}

}  // namespace io_detail
}  // namespace hostapp
