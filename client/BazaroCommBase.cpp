#include "bazaro/BazaroCommBase.h"

BazaroCommBase::~BazaroCommBase() = default;
