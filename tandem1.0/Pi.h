// The one value of pi for the engine, the effects and the generators'
// geometry (a double; float code converts it where it uses it).
#pragma once

constexpr double kPi = 3.14159265358979323846;
