#include "hostapp/scene/container.h"

#include <cstring>

namespace hostapp {

Node* InExclude::Get(int32_t index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return entries_[static_cast<size_t>(index)].Get();
}

void InExclude::Add(const Node* node) {
  if (!node || FindIndex(node) >= 0) return;
  entries_.emplace_back(node);
}

bool InExclude::Remove(const Node* node) {
  int32_t i = FindIndex(node);
  if (i < 0) return false;
  entries_.erase(entries_.begin() + i);
  return true;
}

int32_t InExclude::FindIndex(const Node* node) const {
  if (!node) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].Get() == node) return static_cast<int32_t>(i);
  }
  return -1;
}

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

bool SameValue(const Value& a, const Value& b) {
  if (a.index() != b.index()) return false;
  switch (TypeOf(a)) {
    case ValueType::kInt32:
      return std::get<int32_t>(a) == std::get<int32_t>(b);
    case ValueType::kFloat:
      return SameBits(std::get<double>(a), std::get<double>(b));
    case ValueType::kVector: {
      const C4D_Vector& u = std::get<C4D_Vector>(a);
      const C4D_Vector& v = std::get<C4D_Vector>(b);
      return SameBits(u.x, v.x) && SameBits(u.y, v.y) && SameBits(u.z, v.z);
    }
    case ValueType::kString:
      return std::get<std::string>(a) == std::get<std::string>(b);
    case ValueType::kLink:
      return std::get<WeakNode>(a).Get() == std::get<WeakNode>(b).Get();
    case ValueType::kInExclude: {
      const InExclude& l = std::get<InExclude>(a);
      const InExclude& m = std::get<InExclude>(b);
      if (l.Count() != m.Count()) return false;
      for (int32_t i = 0; i < l.Count(); ++i) {
        if (l.Get(i) != m.Get(i)) return false;
      }
      return true;
    }
  }
  return false;
}

const Value* Container::Find(int32_t id) const {
  auto it = values_.find(id);
  return it == values_.end() ? nullptr : &it->second;
}

Value* Container::Find(int32_t id) {
  auto it = values_.find(id);
  return it == values_.end() ? nullptr : &it->second;
}

int32_t Container::GetInt32(int32_t id, int32_t def) const {
  const Value* v = Find(id);
  const int32_t* i = v ? std::get_if<int32_t>(v) : nullptr;
  return i ? *i : def;
}

double Container::GetFloat(int32_t id, double def) const {
  const Value* v = Find(id);
  const double* f = v ? std::get_if<double>(v) : nullptr;
  return f ? *f : def;
}

C4D_Vector Container::GetVector(int32_t id, C4D_Vector def) const {
  const Value* v = Find(id);
  const C4D_Vector* p = v ? std::get_if<C4D_Vector>(v) : nullptr;
  return p ? *p : def;
}

std::string Container::GetString(int32_t id, const std::string& def) const {
  const Value* v = Find(id);
  const std::string* s = v ? std::get_if<std::string>(v) : nullptr;
  return s ? *s : def;
}

Node* Container::GetLink(int32_t id) const {
  const Value* v = Find(id);
  const WeakNode* w = v ? std::get_if<WeakNode>(v) : nullptr;
  return w ? w->Get() : nullptr;
}

const InExclude* Container::GetInExclude(int32_t id) const {
  const Value* v = Find(id);
  return v ? std::get_if<InExclude>(v) : nullptr;
}

InExclude* Container::GetInExclude(int32_t id) {
  Value* v = Find(id);
  return v ? std::get_if<InExclude>(v) : nullptr;
}

bool Container::Equals(const Container& other) const {
  if (values_.size() != other.values_.size()) return false;
  auto a = values_.begin();
  auto b = other.values_.begin();
  for (; a != values_.end(); ++a, ++b) {
    if (a->first != b->first || !SameValue(a->second, b->second)) return false;
  }
  return true;
}

}  // namespace hostapp
