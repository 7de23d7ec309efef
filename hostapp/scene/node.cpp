#include "hostapp/scene/node.h"

#include "hostapp/scene/registry.h"

namespace hostapp {

WeakNode::WeakNode(const Node* node) {
  if (node) anchor_ = node->anchor_;
}

Node::Node(NodeKind kind, int32_t type)
    : kind_(kind), type_(type), anchor_(std::make_shared<NodeAnchor>(NodeAnchor{this})) {}

Node::~Node() {
  anchor_->node = nullptr;
  const C4D_NodeHooks* hooks = Hooks();
  if (instance_ && hooks && hooks->free) hooks->free(instance_);
  instance_ = nullptr;
}

const C4D_NodeHooks* Node::Hooks() const { return plugin_ ? plugin_->NodeHooks() : nullptr; }

bool Node::GetParameter(int32_t id, C4D_Data* out) const {
  *out = C4D_Data{};
  out->type = C4D_DA_NIL;
  const Value* v = data_.Find(id);
  if (!v) return false;
  switch (TypeOf(*v)) {
    case ValueType::kInt32:
      out->type = C4D_DA_LONG;
      out->i32 = std::get<int32_t>(*v);
      break;
    case ValueType::kFloat:
      out->type = C4D_DA_REAL;
      out->f64 = std::get<double>(*v);
      break;
    case ValueType::kVector:
      out->type = C4D_DA_VECTOR;
      out->vec = std::get<C4D_Vector>(*v);
      break;
    case ValueType::kString:
      out->type = C4D_DA_STRING;
      out->str = std::get<std::string>(*v).c_str();
      break;
    case ValueType::kLink:
      out->type = C4D_DA_ALIASLINK;
      out->link = std::get<WeakNode>(*v).Get();
      break;
    case ValueType::kInExclude:
      out->type = C4D_DA_INEXCLUDE;
      out->inex = const_cast<InExclude*>(&std::get<InExclude>(*v));
      break;
  }
  return true;
}

bool Node::SetParameter(int32_t id, const C4D_Data& value) {
  switch (value.type) {
    case C4D_DA_LONG:
      data_.SetInt32(id, value.i32);
      break;
    case C4D_DA_REAL:
      data_.SetFloat(id, value.f64);
      break;
    case C4D_DA_VECTOR:
      data_.SetVector(id, value.vec);
      break;
    case C4D_DA_STRING:
      data_.SetString(id, value.str ? std::string(value.str) : std::string());
      break;
    case C4D_DA_ALIASLINK:
      data_.SetLink(id, value.link ? FromC(value.link) : nullptr);
      break;
    default:
      return false;
  }
  SetDirty();
  return true;
}

bool Node::Message(int32_t type, void* data) {
  if (type == C4D_MSG_UPDATE) {
    SetDirty();
    return true;
  }
  const C4D_NodeHooks* hooks = Hooks();
  if (!instance_ || !hooks || !hooks->message) return true;
  return hooks->message(instance_, this, type, data);
}

bool Node::IsParameterEnabled(int32_t id) {
  const C4D_NodeHooks* hooks = Hooks();
  if (!instance_ || !hooks || !hooks->get_denabling) return true;
  return hooks->get_denabling(instance_, this, id);
}

bool Node::WriteData(HyperFile&) const { return true; }

bool Node::ReadData(HyperFile&) { return true; }

std::string Node::DataFault() const { return {}; }

void Node::CopyDataTo(Node& dst) const {
  dst.name_ = name_;
  dst.data_ = data_;
  dst.bits_ = bits_;
}

bool Node::AttachPlugin(std::shared_ptr<const PluginInfo> plugin, bool init) {
  const C4D_NodeHooks* hooks = plugin ? plugin->NodeHooks() : nullptr;
  if (!hooks || !hooks->alloc) return false;
  void* inst = hooks->alloc(hooks->user);
  if (!inst) return false;
  plugin_ = std::move(plugin);
  instance_ = inst;
  if (init && hooks->init && !hooks->init(inst, this)) {
    if (hooks->free) hooks->free(inst);
    instance_ = nullptr;
    plugin_.reset();
    return false;
  }
  return true;
}

bool Node::CopyPluginDataTo(Node& dst) const {
  const C4D_NodeHooks* hooks = Hooks();
  if (!instance_ || !hooks || !hooks->copy_to) return true;
  return hooks->copy_to(instance_, dst.instance_, const_cast<Node*>(this), &dst, 0);
}

}  // namespace hostapp
