// Calls across the boundary must not let C++ exceptions escape into plug-in code.
#ifndef HOSTAPP_SCENE_NO_THROW_H
#define HOSTAPP_SCENE_NO_THROW_H

namespace hostapp {

// in: fail, the answer on an exception; f, the work. out: f's result, or fail when f threw
// (out of memory in practice).
template <class R, class F>
R NoThrow(R fail, F&& f) noexcept {
  try {
    return f();
  } catch (...) {
    return fail;
  }
}

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_NO_THROW_H
