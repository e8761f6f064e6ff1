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
// entry right of the previous row's) and rows rank .. nRows-1 are zero. Exact for any entries:
// intermediate products never overflow.
std::size_t integerRank(std::size_t nCols, IntMatrix& m, std::size_t nRows);
