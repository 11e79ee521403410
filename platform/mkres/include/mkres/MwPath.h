// A file name.
#pragma once

#include "mkres/MwObject.h"

class MKRES_API MwPath : public MwObject {
 public:
  // Keeps a copy of the full file name `name` (null is taken as empty).
  // `other` is not interpreted; callers pass null.
  MwPath(char* name, char* other);
  MwPath(const MwPath&) = delete;
  MwPath& operator=(const MwPath&) = delete;
  virtual ~MwPath();

  const char* Name() const;

 private:
  char* name_;
};
