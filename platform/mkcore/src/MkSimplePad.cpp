// The pad model: class name, view, attributes and owned child pads.
#include "mkcore/MkSimplePad.h"

#include <cstring>
#include <new>

#include "KernelText.h"
#include "mkres/MwMemory.h"

namespace {

bool SameBounds(MwRectangle* a, MwRectangle* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->X() == b->X() && a->Y() == b->Y() && a->Width() == b->Width() &&
         a->Height() == b->Height();
}

bool SameDictionary(MkDictionary* a, MkDictionary* b);

bool SameEntry(MkDictionaryValue* a, MkDictionaryValue* b) {
  if (a->get_type() != b->get_type() || std::strcmp(a->get_key(), b->get_key()) != 0) return false;
  void* x = a->get_value();
  void* y = b->get_value();
  switch (a->get_type()) {
    case kMkTypeDictionary:
      return SameDictionary(*static_cast<MkDictionary**>(x), *static_cast<MkDictionary**>(y));
    case kMkTypeBool:
      return *static_cast<char*>(x) == *static_cast<char*>(y);
    case kMkTypeReal:
      // Bit for bit, so that a NaN equals itself and -0 differs from 0.
      return std::memcmp(x, y, sizeof(double)) == 0;
    case kMkTypeString:
      return std::strcmp(*static_cast<char**>(x), *static_cast<char**>(y)) == 0;
    case kMkTypeInteger:
      return *static_cast<int*>(x) == *static_cast<int*>(y);
    case kMkTypeUnsigned:
      return *static_cast<unsigned long*>(x) == *static_cast<unsigned long*>(y);
    default:
      return false;
  }
}

bool SameDictionary(MkDictionary* a, MkDictionary* b) {
  if (a == nullptr || b == nullptr) return a == b;
  if (a->length() != b->length()) return false;
  for (unsigned int i = 0; i < a->length(); ++i) {
    if (!SameEntry(a->at(i), b->at(i))) return false;
  }
  return true;
}

}  // namespace

MkSimplePad::MkSimplePad(const char* className)
    : className_(nullptr),
      view_(nullptr),
      attributes_(nullptr),
      children_(nullptr),
      childCount_(0) {
  view_ = new MkPadView(MkDeskTop::Default());
  try {
    attributes_ = new MkDictionary;
  } catch (const std::bad_alloc&) {
    delete view_;
    throw;
  }
  className_ = mkcore::CopyText(className != nullptr ? className : "");
  if (className_ == nullptr) {
    delete attributes_;
    delete view_;
    throw std::bad_alloc();
  }
}

MkSimplePad::~MkSimplePad() {
  for (unsigned int i = 0; i < childCount_; ++i) delete children_[i];
  MwDelete(children_);
  delete attributes_;
  delete view_;
  mkcore::FreeText(className_);
}

MkPadView* MkSimplePad::get_view() { return view_; }

const char* MkSimplePad::GetClassName() const { return className_; }

MkDictionary* MkSimplePad::GetAttributes() { return attributes_; }

void MkSimplePad::AddChild(MkSimplePad* child) {
  if (child == nullptr || child == this) return;
  auto* grown = childCount_ < 0xFFFFFFFFu / sizeof(MkSimplePad*) - 1
                    ? static_cast<MkSimplePad**>(MwNew(
                          static_cast<unsigned int>((childCount_ + 1) * sizeof(MkSimplePad*))))
                    : nullptr;
  if (grown == nullptr) {
    delete child;  // taken over, but there is no room to keep it
    return;
  }
  if (childCount_ != 0) std::memcpy(grown, children_, childCount_ * sizeof(MkSimplePad*));
  MwDelete(children_);
  children_ = grown;
  children_[childCount_++] = child;
}

unsigned int MkSimplePad::GetChildCount() const { return childCount_; }

MkSimplePad* MkSimplePad::GetChild(unsigned int index) {
  return index < childCount_ ? children_[index] : nullptr;
}

bool MkSimplePad::SameContent(MkSimplePad* other) {
  if (other == nullptr) return false;
  if (other == this) return true;
  if (std::strcmp(className_, other->className_) != 0) return false;
  if (!SameBounds(view_->GetBounds(), other->view_->GetBounds())) return false;
  if (!SameDictionary(attributes_, other->attributes_)) return false;
  if (childCount_ != other->childCount_) return false;
  for (unsigned int i = 0; i < childCount_; ++i) {
    if (!children_[i]->SameContent(other->children_[i])) return false;
  }
  return true;
}
