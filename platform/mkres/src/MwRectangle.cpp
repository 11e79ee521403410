#include "mkres/MwRectangle.h"

MwRectangle::MwRectangle() : x_(0), y_(0), width_(0), height_(0) {}

MwRectangle::MwRectangle(int x, int y, unsigned int width, unsigned int height)
    : x_(x), y_(y), width_(width), height_(height) {}

int& MwRectangle::X() { return x_; }
int& MwRectangle::Y() { return y_; }
unsigned int& MwRectangle::Width() { return width_; }
unsigned int& MwRectangle::Height() { return height_; }
