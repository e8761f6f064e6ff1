// Inversion of symmetric positive definite matrices and exact rank of integer matrices.
#pragma once

#include <cstddef>

#include "kernels/matrix.h"

inline constexpr int kInversionOk = 2;
inline constexpr int kInversionFailed = -2;

// Inverts the leading n x n square of `a` in place by Gauss-Jordan elimination with cyclic
// renumbering of the unknowns, reading the lower triangle only and leaving the full symmetric
// inverse. Returns kInversionOk, or kInversionFailed (after writing "fail\n" to standard output)
// when a pivot vanishes; the matrix then keeps the values of the steps before. Requires
// n <= a.rows() and n <= a.cols().
int invertSymmetric(RealMatrix& a, std::size_t n);

// Exact rank of the first nRows rows and nCols columns of `m`, by fraction-free elimination.
// Afterwards rows 0 .. rank-1 hold an echelon basis of the row space (each row's first nonzero
// entry right of the previous row's) and rows rank .. nRows-1 are zero. Each row is kept divided
// by the gcd of its entries; overflow is detected and the work continues in 128-bit integers, so
// intermediate products never overflow. The rank is exact for any entries. Should an echelon row
// still not fit 64 bits after that reduction (not met on any matrix this program builds), the rank
// comes from modular elimination and the rows are left partly eliminated.
// nRows and nCols are clamped to the matrix.
std::size_t integerRank(std::size_t nCols, IntMatrix& m, std::size_t nRows);
