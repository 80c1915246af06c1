// Stand-ins that draw nothing; see Stubs.h.
#include "Stubs.h"

void drawSymbol(int, bool, bool, double) {}

void Equaliser::draw(double) {}

void drawLasers(double) {}
