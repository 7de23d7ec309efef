// The platform-independent sine, cosine and arc cosine against the C library: within a few
// units in the last place over the ranges the host uses, exact at the points that matter.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "hostapp/io/portable_math.h"

namespace {

double Ulps(double a, double b) {
  if (a == b) return 0.0;
  const double scale = std::max(std::fabs(b), 1e-300);
  return std::fabs(a - b) / (scale * 2.220446049250313e-16);
}

TEST(PortableMath, CloseToTheCLibraryAcrossTheRange) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> angle(-200.0, 200.0), unit(-1.0, 1.0);
  for (int i = 0; i < 200000; ++i) {
    const double x = angle(rng);
    // Near a zero of the function the relative error says little; compare absolutely there.
    EXPECT_NEAR(hostapp::PortableSin(x), std::sin(x), 4e-16 * std::max(1.0, std::fabs(x) / 8.0)) << x;
    EXPECT_NEAR(hostapp::PortableCos(x), std::cos(x), 4e-16 * std::max(1.0, std::fabs(x) / 8.0)) << x;
    const double c = unit(rng);
    EXPECT_LE(Ulps(hostapp::PortableAcos(c), std::acos(c)), 2.0) << c;
  }
}

TEST(PortableMath, ExactWhereItCounts) {
  EXPECT_EQ(hostapp::PortableSin(0.0), 0.0);
  EXPECT_EQ(hostapp::PortableCos(0.0), 1.0);
  EXPECT_EQ(hostapp::PortableAcos(1.0), 0.0);
  EXPECT_EQ(hostapp::PortableAcos(-1.0), M_PI);
  EXPECT_DOUBLE_EQ(hostapp::PortableAcos(0.0), M_PI / 2);
  EXPECT_DOUBLE_EQ(hostapp::PortableSin(M_PI / 2), 1.0);
  EXPECT_TRUE(std::isnan(hostapp::PortableAcos(1.5)));
  EXPECT_TRUE(std::isnan(hostapp::PortableSin(INFINITY)));
  for (double x : {1e-300, -1e-20, 0.3, 0.785, 1.0, 3.0, -7.5})
    EXPECT_EQ(hostapp::PortableSin(-x), -hostapp::PortableSin(x)) << x;
}

}  // namespace
