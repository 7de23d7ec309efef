// Sine, cosine and arc cosine computed from additions, multiplications, divisions and square
// roots alone, in a fixed order, so that every platform gives the same bits. The C libraries
// do not: MinGW's sin and cos, for one, round differently from glibc's in a fraction of a
// percent of arguments, and a generated or animated scene would then differ in its last bits
// between the Windows and the Linux host. Accuracy is within a few units in the last place.
//
// The kernels are the classic minimax polynomials over [-pi/4, pi/4] (sine, cosine) and the
// rational approximation of arc cosine used by many C libraries, with their published
// coefficients; the reduction subtracts multiples of pi/2 split in two parts.
#ifndef HOSTAPP_IO_PORTABLE_MATH_H
#define HOSTAPP_IO_PORTABLE_MATH_H

#include <cmath>
#include <cstdint>
#include <cstring>

namespace hostapp {
namespace portable_detail {

// sin(x) for |x| <= pi/4.
inline double KernelSin(double x) {
  const double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
               S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
               S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
  const double z = x * x;
  const double v = z * x;
  const double r = S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)));
  return x + v * (S1 + z * r);
}

// cos(x) for |x| <= pi/4.
inline double KernelCos(double x) {
  const double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
               C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
               C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
  const double z = x * x;
  const double r = z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
  return 1.0 - (0.5 * z - z * r);
}

// x reduced by n quarter turns: x = n * pi/2 + *r, |*r| <= about pi/4. out: n mod 4.
inline int Reduce(double x, double* r) {
  const double kTwoOverPi = 6.36619772367581382433e-01;
  const double kPio2Hi = 1.57079632673412561417e+00;  // first 33 bits of pi/2
  const double kPio2Lo = 6.07710050650619224932e-11;  // pi/2 - kPio2Hi
  const double n = std::nearbyint(x * kTwoOverPi);
  *r = (x - n * kPio2Hi) - n * kPio2Lo;
  const double quarter = n - 4.0 * std::floor(n * 0.25);
  return static_cast<int>(quarter);
}

inline double AcosRatio(double z) {
  const double pS0 = 1.66666666666666657415e-01, pS1 = -3.25565818622400915405e-01,
               pS2 = 2.01212532134862925881e-01, pS3 = -4.00555345006794114027e-02,
               pS4 = 7.91534994289814532176e-04, pS5 = 3.47933107596021167570e-05,
               qS1 = -2.40339491173441421878e+00, qS2 = 2.02094576023350569471e+00,
               qS3 = -6.88283971605453293030e-01, qS4 = 7.70381505559019352791e-02;
  const double p = z * (pS0 + z * (pS1 + z * (pS2 + z * (pS3 + z * (pS4 + z * pS5)))));
  const double q = 1.0 + z * (qS1 + z * (qS2 + z * (qS3 + z * qS4)));
  return p / q;
}

}  // namespace portable_detail

// in: x (radians, |x| below about 1e9 for full accuracy). out: sin x.
inline double PortableSin(double x) {
  if (!std::isfinite(x)) return x - x;  // NaN
  double r = 0.0;
  switch (portable_detail::Reduce(x, &r)) {
    case 0: return portable_detail::KernelSin(r);
    case 1: return portable_detail::KernelCos(r);
    case 2: return -portable_detail::KernelSin(r);
    default: return -portable_detail::KernelCos(r);
  }
}

// in: x (radians). out: cos x.
inline double PortableCos(double x) {
  if (!std::isfinite(x)) return x - x;
  double r = 0.0;
  switch (portable_detail::Reduce(x, &r)) {
    case 0: return portable_detail::KernelCos(r);
    case 1: return -portable_detail::KernelSin(r);
    case 2: return -portable_detail::KernelCos(r);
    default: return portable_detail::KernelSin(r);
  }
}

// in: x in [-1, 1]. out: acos x in [0, pi]; NaN outside.
inline double PortableAcos(double x) {
  const double kPi = 3.14159265358979311600e+00;
  const double kPio2Hi = 1.57079632679489655800e+00;
  const double kPio2Lo = 6.12323399573676603587e-17;
  if (x == 1.0) return 0.0;
  if (x == -1.0) return kPi;
  if (!(std::fabs(x) < 1.0)) return (x - x) / (x - x);  // NaN
  if (std::fabs(x) < 0.5) {
    if (std::fabs(x) <= 6.93889390390722837765e-18) return kPio2Hi + kPio2Lo;
    const double r = portable_detail::AcosRatio(x * x);
    return kPio2Hi - (x - (kPio2Lo - x * r));
  }
  if (x < 0.0) {
    const double z = (1.0 + x) * 0.5;
    const double s = std::sqrt(z);
    const double w = portable_detail::AcosRatio(z) * s - kPio2Lo;
    return kPi - 2.0 * (s + w);
  }
  const double z = (1.0 - x) * 0.5;
  const double s = std::sqrt(z);
  // df: s with its low 32 bits cleared, so that df * df is exact.
  uint64_t bits = 0;
  std::memcpy(&bits, &s, sizeof bits);
  bits &= 0xffffffff00000000ull;
  double df = 0.0;
  std::memcpy(&df, &bits, sizeof df);
  const double c = (z - df * df) / (s + df);
  const double w = portable_detail::AcosRatio(z) * s + c;
  return 2.0 * (df + w);
}

}  // namespace hostapp

#endif  // HOSTAPP_IO_PORTABLE_MATH_H
