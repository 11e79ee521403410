#include "mkres/MwAction.h"

MwAction::MwAction(void* first, void* second) : first_(first), second_(second) {}

MwAction::MwAction(const MwAction& other)
    : MwObject(other), first_(other.first_), second_(other.second_) {}

MwAction& MwAction::operator=(const MwAction& other) {
  MwObject::operator=(other);
  first_ = other.first_;
  second_ = other.second_;
  return *this;
}

MwAction::~MwAction() = default;

char MwAction::Reset() { return 0; }
