#include "client/BazaroCommBase.h"

BazaroCommBase::~BazaroCommBase() = default;
