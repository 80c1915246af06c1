// Symbols: the 35 symbol models of the show, built from code (see the table in Symbols.cpp).
#pragma once

#include "tools/models/ObjWriter.h"

namespace models {

const int kSymbolCount = 35;

// Model number 1 to kSymbolCount, not yet normalised.
Model buildSymbol(int number);

} // namespace models
