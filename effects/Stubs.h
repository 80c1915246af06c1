// Stand-ins for the symbol, equaliser and laser effects until their own
// modules land; delete this file with Stubs.cpp then.
#pragma once

void drawSymbol(int modelNumber, bool silhouette, bool keepProgram, double row);

namespace Equaliser {
void draw(double row);
}

void drawLasers(double row);
