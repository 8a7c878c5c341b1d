// sin, cos, atan, asin and pow computed the same way on every target.
//
// The C libraries of our targets may round these differently in the last bit, and
// where they feed pixels a frame would differ between Linux and Windows. These use
// only + - * / and sqrt (exact under SSE2 and -ffp-contract=off), so every build
// computes the same bits. Accuracy is within a few units in the last place.
#pragma once

double portableSin(double x);
double portableCos(double x);
double portableAtan(double x);
double portableAsin(double x);                     // NaN outside -1..1
double portablePow(double base, double exponent);  // base >= 0; NaN for a negative base

constexpr double portablePi = 3.14159265358979323846;
