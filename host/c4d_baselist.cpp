#include "c4d_baselist.h"

BaseList2D* GeData::GetLink(BaseDocument* doc, Int32 instanceof) const {
  if (type_ != DA_ALIASLINK || link_ == nullptr) return nullptr;
  if (link_->GetDocument() != doc) return nullptr;
  if (instanceof != 0 && !link_->IsInstanceOf(instanceof)) return nullptr;
  return link_;
}

InExcludeData* GeData::GetCustomDataType(Int32 type) const {
  return (type == CUSTOMDATATYPE_INEXCLUDE_LIST && type_ == C4D_DA_INEXCLUDE) ? inex_ : nullptr;
}

void GeData::FromC(const C4D_Data& d) {
  Clear(d.type);
  switch (d.type) {
    case DA_LONG: i32_ = d.i32; break;
    case DA_REAL: f64_ = d.f64; break;
    case DA_VECTOR: vec_ = *::FromC(&d.vec); break;
    case DA_STRING: str_.Set(d.str ? d.str : ""); break;
    case DA_ALIASLINK: link_ = BaseList2D::From(d.link); break;
    case C4D_DA_INEXCLUDE: inex_ = reinterpret_cast<InExcludeData*>(d.inex); break;
    default: type_ = DA_NIL; break;
  }
}

void GeData::ToC(C4D_Data* d) const {
  *d = C4D_Data{};
  d->type = type_;
  d->i32 = i32_;
  d->f64 = f64_;
  d->vec = *::ToC(&vec_);
  d->str = str_.GetCStr();
  d->link = link_ ? link_->Handle() : nullptr;
  d->inex = reinterpret_cast<C4D_InExclude*>(inex_);
}

Bool BaseList2D::GetParameter(const DescID& id, GeData& t_data, DESCFLAGS_GET) {
  C4D_Data d{};
  if (!C4DOS()->params->get_parameter(Handle(), id.id, &d)) {
    t_data = GeData();
    return false;
  }
  t_data.FromC(d);
  return true;
}

Bool BaseList2D::SetParameter(const DescID& id, const GeData& t_data, DESCFLAGS_SET) {
  C4D_Data d{};
  t_data.ToC(&d);
  return C4DOS()->params->set_parameter(Handle(), id.id, &d);
}

Int32 InExcludeData::GetObjectIndex(BaseDocument* doc, BaseList2D* node) const {
  return C4DOS()->params->inexclude_find_index(reinterpret_cast<const C4D_InExclude*>(this),
                                               doc ? doc->Handle() : nullptr, node ? node->Handle() : nullptr);
}
