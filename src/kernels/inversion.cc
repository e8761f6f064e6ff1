#include "kernels/inversion.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <limits>
#include <vector>

int invertSymmetric(RealMatrix& a, std::size_t n) {
  if (n > a.rows() || n > a.cols()) return kInversionFailed;
  std::vector<double> b(n);
  for (std::size_t k = 0; k < n; ++k) {
    const double w = a[0][0];
    if (std::fabs(w) + 1.0 == 1.0) {
      std::fputs("fail\n", stdout);
      return kInversionFailed;
    }
    // Unknowns 1 .. m are still to be eliminated and keep the negated sign; the others are
    // already inverse columns that travel cyclically towards the end.
    const std::size_t m = n - k - 1;
    for (std::size_t i = 1; i < n; ++i) {
      const double g = a[i][0];
      b[i] = g / w;
      if (i <= m) b[i] = -b[i];
      double* dst = a[i - 1];
      const double* src = a[i];
      for (std::size_t j = 1; j <= i; ++j) dst[j - 1] = src[j] + g * b[j];
    }
    a[n - 1][n - 1] = 1.0 / w;
    for (std::size_t i = 1; i < n; ++i) a[n - 1][i - 1] = b[i];
  }
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j) a[i][j] = a[j][i];
  return kInversionOk;
}

// ---------------------------------------------------------------------------------------------
// Exact integer rank.
//
// The elimination is fraction-free: row q becomes P[j] * q - q[j] * P for the pivot row P. Each
// updated row is divided by the (positive) gcd of its entries, which keeps every row a positive
// multiple of the row the unreduced elimination would produce, so pivots, rank and row spaces are
// the same while the entries stay small. Arithmetic is checked: when a 64-bit row update
// overflows, the elimination continues from exactly that point in 128-bit integers. Beyond 128
// bits (never seen on matrices this program builds) the rank is still exact, from modular
// elimination over enough primes to exceed the Hadamard bound of every minor.

namespace {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

template <typename T>
T absolute(T v) {
  return v < 0 ? -v : v;
}

template <typename T>
T gcdOf(T a, T b) {
  a = absolute(a);
  b = absolute(b);
  while (b != 0) {
    const T t = a % b;
    a = b;
    b = t;
  }
  return a;
}

template <typename T>
constexpr T minimumOf() {
  if constexpr (sizeof(T) == 16) {
    return static_cast<T>(static_cast<UInt128>(1) << 127);
  } else {
    return std::numeric_limits<T>::min();
  }
}

// Divides entries from..end of a row by their common gcd.
template <typename T>
void reduceRow(T* row, std::size_t from, std::size_t end) {
  T g = 0;
  for (std::size_t c = from; c < end && g != 1; ++c)
    if (row[c] != 0) g = gcdOf(g, row[c]);
  if (g > 1)
    for (std::size_t c = from; c < end; ++c) row[c] /= g;
}

// Where an interrupted elimination stands: column, next pivot row, and the next row to update
// (0 when the column's pivot is still to be found).
struct EliminationPoint {
  std::size_t column = 0;
  std::size_t rank = 0;
  std::size_t nextRow = 0;
};

// q[c] = p * q[c] - pc * qj, or false (q untouched) when a product or the difference overflows
// or reaches the type's minimum (whose absolute value is not representable).
template <typename T>
bool updateRow(const T* pivotRow, T* q, std::size_t j, std::size_t end, T* scratch) {
  const T p = pivotRow[j];
  const T qj = q[j];
  for (std::size_t c = j + 1; c < end; ++c) {
    T x, y, d;
    if (__builtin_mul_overflow(p, q[c], &x) || __builtin_mul_overflow(pivotRow[c], qj, &y) ||
        __builtin_sub_overflow(x, y, &d) || d == minimumOf<T>())
      return false;
    scratch[c] = d;
  }
  for (std::size_t c = j + 1; c < end; ++c) q[c] = scratch[c];
  q[j] = 0;
  reduceRow(q, j + 1, end);
  return true;
}

// Runs the elimination from `at` to the end. Returns false, with `at` at the row whose update
// overflowed, when T is too narrow.
template <typename T>
bool eliminate(Matrix<T>& m, std::size_t nRows, std::size_t nCols, EliminationPoint& at, std::vector<T>& scratch) {
  for (; at.column < nCols; ++at.column, at.nextRow = 0) {
    const std::size_t j = at.column;
    if (at.nextRow == 0) {
      std::size_t k = at.rank;
      while (k < nRows && m[k][j] == 0) ++k;
      if (k == nRows) continue;
      if (k != at.rank)
        for (std::size_t c = j; c < nCols; ++c) std::swap(m[k][c], m[at.rank][c]);
      reduceRow(m[at.rank], j, nCols);
      at.nextRow = at.rank + 1;
    }
    const T* pivot = m[at.rank];
    for (; at.nextRow < nRows; ++at.nextRow) {
      T* q = m[at.nextRow];
      if (q[j] != 0 && !updateRow(pivot, q, j, nCols, scratch.data())) return false;
    }
    ++at.rank;
  }
  return true;
}

// ---- Modular rank, the last resort ----

std::uint64_t mulMod(std::uint64_t a, std::uint64_t b, std::uint64_t p) {
  return static_cast<std::uint64_t>((static_cast<UInt128>(a) * b) % p);
}

std::uint64_t powMod(std::uint64_t a, std::uint64_t e, std::uint64_t p) {
  std::uint64_t r = 1;
  for (; e != 0; e >>= 1, a = mulMod(a, a, p))
    if (e & 1) r = mulMod(r, a, p);
  return r;
}

std::uint64_t toResidue(Int128 v, std::uint64_t p) {
  Int128 r = v % static_cast<Int128>(p);
  if (r < 0) r += p;
  return static_cast<std::uint64_t>(r);
}

std::size_t rankModulo(const Matrix<Int128>& m, std::size_t nRows, std::size_t nCols, std::uint64_t p) {
  Matrix<std::uint64_t> r(nRows, nCols);
  for (std::size_t i = 0; i < nRows; ++i)
    for (std::size_t c = 0; c < nCols; ++c) r[i][c] = toResidue(m[i][c], p);
  std::size_t rank = 0;
  for (std::size_t j = 0; j < nCols && rank < nRows; ++j) {
    std::size_t k = rank;
    while (k < nRows && r[k][j] == 0) ++k;
    if (k == nRows) continue;
    r.swapRows(k, rank);
    const std::uint64_t inv = powMod(r[rank][j], p - 2, p);
    for (std::size_t q = rank + 1; q < nRows; ++q) {
      if (r[q][j] == 0) continue;
      const std::uint64_t f = mulMod(r[q][j], inv, p);
      for (std::size_t c = j; c < nCols; ++c) r[q][c] = (r[q][c] + p - mulMod(f, r[rank][c], p)) % p;
    }
    ++rank;
  }
  return rank;
}

// log2 of the Hadamard bound of the largest minor: a modular rank over primes whose product
// exceeds it equals the true rank for at least one of them (the largest is taken).
double hadamardBits(const Matrix<Int128>& m, std::size_t nRows, std::size_t nCols) {
  double bits = 0.0;
  for (std::size_t i = 0; i < nRows; ++i) {
    long double norm2 = 0.0L;
    for (std::size_t c = 0; c < nCols; ++c) norm2 += static_cast<long double>(m[i][c]) * static_cast<long double>(m[i][c]);
    if (norm2 > 1.0L) bits += 0.5 * std::log2(static_cast<double>(norm2));
  }
  return bits;
}

bool isPrime(std::uint64_t n) {
  if (n < 2) return false;
  for (std::uint64_t a : {2ULL, 3ULL, 5ULL, 7ULL, 11ULL, 13ULL, 17ULL, 19ULL, 23ULL, 29ULL, 31ULL, 37ULL}) {
    if (n % a == 0) return n == a;
  }
  std::uint64_t d = n - 1;
  int s = 0;
  while ((d & 1) == 0) {
    d >>= 1;
    ++s;
  }
  // These bases make Miller-Rabin deterministic below 2^64.
  for (std::uint64_t a : {2ULL, 3ULL, 5ULL, 7ULL, 11ULL, 13ULL, 17ULL, 19ULL, 23ULL, 29ULL, 31ULL, 37ULL}) {
    std::uint64_t x = powMod(a, d, n);
    if (x == 1 || x == n - 1) continue;
    bool composite = true;
    for (int r = 1; r < s && composite; ++r) {
      x = mulMod(x, x, n);
      if (x == n - 1) composite = false;
    }
    if (composite) return false;
  }
  return true;
}

std::uint64_t previousPrime(std::uint64_t n) {
  do {
    n -= 2;
  } while (!isPrime(n));
  return n;
}

// The rank modulo a prime never exceeds the true rank and equals it unless the prime divides
// every nonzero minor of full size; primes whose product exceeds the Hadamard bound cannot all do so.
std::size_t exactRankByPrimes(const Matrix<Int128>& m, std::size_t nRows, std::size_t nCols) {
  const double needed = hadamardBits(m, nRows, nCols) + 1.0;
  std::size_t best = 0;
  std::uint64_t p = (1ULL << 62) + 1;  // previousPrime steps below 2^62
  for (double covered = 0.0; covered <= needed; covered += 61.0) {
    p = previousPrime(p);
    best = std::max(best, rankModulo(m, nRows, nCols, p));
  }
  return best;
}

bool fitsInt64(Int128 v) {
  return v > static_cast<Int128>(std::numeric_limits<std::int64_t>::min()) &&
         v <= static_cast<Int128>(std::numeric_limits<std::int64_t>::max());
}

std::size_t finishWide(IntMatrix& m, std::size_t nRows, std::size_t nCols, EliminationPoint at) {
  Matrix<Int128> wide(nRows, nCols);
  for (std::size_t i = 0; i < nRows; ++i)
    for (std::size_t c = 0; c < nCols; ++c) wide[i][c] = m[i][c];
  std::vector<Int128> scratch(nCols);
  bool fits = eliminate(wide, nRows, nCols, at, scratch);
  for (std::size_t i = 0; fits && i < nRows; ++i)
    for (std::size_t c = 0; fits && c < nCols; ++c) fits = fitsInt64(wide[i][c]);
  if (!fits) return exactRankByPrimes(wide, nRows, nCols);
  for (std::size_t i = 0; i < nRows; ++i)
    for (std::size_t c = 0; c < nCols; ++c) m[i][c] = static_cast<std::int64_t>(wide[i][c]);
  return at.rank;
}

}  // namespace

std::size_t integerRank(std::size_t nCols, IntMatrix& m, std::size_t nRows) {
  nRows = std::min(nRows, m.rows());
  nCols = std::min(nCols, m.cols());
  EliminationPoint at;
  std::vector<std::int64_t> scratch(nCols);
  if (eliminate(m, nRows, nCols, at, scratch)) return at.rank;
  return finishWide(m, nRows, nCols, at);
}
