#include "kernels/f_distribution.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

// 1 + sum of the terms t_i = t_(i-1) * z * e_i / d_i with e running from e0 to limit and d from
// d0, both in steps of 2.
double finiteSeries(int e0, int limit, int d0, double z) {
  double term = 1.0;
  double sum = 1.0;
  for (int e = e0, d = d0; e <= limit; e += 2, d += 2) {
    term = term * z * e / d;
    sum = sum + term;
  }
  return sum;
}

double bothOdd(int a, int b, double x) {
  const double theta = std::atan(std::sqrt(a * x / b));
  const double s = std::sin(theta);
  const double c = std::cos(theta);
  double A = theta / kHalfPi;
  if (b > 1) A = A + s * c * finiteSeries(2, b - 3, 3, c * c) / kHalfPi;
  if (a == 1) return 1.0 - A;
  double cb = 1.0;
  for (int i = 0; i < b; ++i) cb *= c;
  double B = finiteSeries(b + 1, a + b - 4, 3, s * s) * 4.0 * s * cb / kPi;
  if (b == 1) {
    B = B * 0.5;
  } else {
    for (int i = 2; i <= (b - 1) / 2; ++i) B = B * i / (i - 0.5);
  }
  return (1.0 - A) + B;
}

}  // namespace

double fProbability(int df1, int df2, double f) {
  if (df1 < 1 || df2 < 1 || std::isnan(f)) return std::numeric_limits<double>::quiet_NaN();
  // A negative F only arises from rounding in a difference of nearly equal sums of squares; it
  // stands for no evidence at all (and the odd-odd series would take its square root).
  if (f <= 0.0) return 1.0;
  const int a = df1;
  const int b = df2;
  const double y = b / (b + a * f);
  double p;
  if (a % 2 == 0) {
    p = std::pow(y, b / 2.0) * finiteSeries(b, a + b - 4, 2, 1.0 - y);
  } else if (b % 2 == 0) {
    p = 1.0 - std::pow(1.0 - y, a / 2.0) * finiteSeries(a, a + b - 4, 2, y);
  } else {
    p = bothOdd(a, b, f);
  }
  return p < 0.0 ? 0.0 : p;
}
