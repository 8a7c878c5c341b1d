// The portable elementary functions agree with the C library to a few units in the
// last place, and treat odd arguments sensibly.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "vector/portable_math.h"

namespace {

// Distance in units of the last place between two doubles of the same sign.
double ulps(double a, double b) {
  if (a == b) return 0;
  const double scale = std::max(std::fabs(a), std::fabs(b));
  return std::fabs(a - b) / (std::nextafter(scale, INFINITY) - scale);
}

TEST(PortableMath, AgreesWithTheLibraryOnRandomArguments) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> angle(-100.0, 100.0), any(-50.0, 50.0), unit(-1.0, 1.0);
  std::uniform_real_distribution<double> positive(1e-6, 1.0), exponent(0.05, 8.0);
  for (int i = 0; i < 20000; ++i) {
    const double a = angle(random);
    // Near a zero of sin or cos the absolute error is what counts.
    ASSERT_NEAR(portableSin(a), std::sin(a), 4e-16 * std::max(1.0, std::fabs(a))) << a;
    ASSERT_NEAR(portableCos(a), std::cos(a), 4e-16 * std::max(1.0, std::fabs(a))) << a;
    const double t = any(random) * std::fabs(any(random));
    ASSERT_LE(ulps(portableAtan(t), std::atan(t)), 4) << t;
    const double u = unit(random);
    ASSERT_LE(ulps(portableAsin(u), std::asin(u)), 8) << u;
    const double b = positive(random), g = exponent(random);
    ASSERT_LE(ulps(portablePow(b, g), std::pow(b, g)), 64) << b << " ^ " << g;
  }
}

TEST(PortableMath, SpecialArguments) {
  EXPECT_EQ(portableSin(0.0), 0.0);
  EXPECT_EQ(portableCos(0.0), 1.0);
  EXPECT_NEAR(portableSin(portablePi / 2), 1.0, 3e-16);
  EXPECT_NEAR(portableCos(portablePi), -1.0, 3e-16);
  EXPECT_TRUE(std::isnan(portableSin(INFINITY)));
  EXPECT_TRUE(std::isnan(portableCos(NAN)));
  EXPECT_NEAR(portableSin(1e12), std::sin(std::fmod(1e12, 2 * portablePi)), 1e-9);
  EXPECT_EQ(portableAtan(0.0), 0.0);
  EXPECT_NEAR(portableAtan(1.0), portablePi / 4, 3e-16);
  EXPECT_NEAR(portableAtan(INFINITY), portablePi / 2, 3e-16);
  EXPECT_NEAR(portableAtan(-1e300), -portablePi / 2, 3e-16);
  EXPECT_EQ(portableAsin(1.0), portablePi / 2);
  EXPECT_TRUE(std::isnan(portableAsin(1.5)));
  EXPECT_EQ(portablePow(0.5, 1.0), 0.5);
  EXPECT_EQ(portablePow(0.0, 2.0), 0.0);
  EXPECT_EQ(portablePow(0.0, -1.0), INFINITY);
  EXPECT_EQ(portablePow(7.0, 0.0), 1.0);
  EXPECT_TRUE(std::isnan(portablePow(-2.0, 2.0)));
  EXPECT_NEAR(portablePow(2.0, 10.0), 1024.0, 1e-12);
}

}  // namespace
