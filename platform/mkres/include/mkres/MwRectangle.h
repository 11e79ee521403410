// A rectangle: position and size of a pad view's bounds.
#pragma once

#include "mkres/MwObject.h"

class MKRES_API MwRectangle : public MwObject {
 public:
  MwRectangle();
  MwRectangle(int x, int y, unsigned int width, unsigned int height);

  int& X();
  int& Y();
  unsigned int& Width();
  unsigned int& Height();

 private:
  int x_;
  int y_;
  unsigned int width_;
  unsigned int height_;
};
