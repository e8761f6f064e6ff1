// Orthogonal (Householder) reduction of a design and its right-hand sides.
#pragma once

#include <cstddef>

#include "kernels/matrix.h"

// Reduces the first nRows rows and nCols columns of X to upper trapezoidal form by Householder
// reflections and applies the same orthogonal transformation to all columns of Y (nRows rows).
// Linearly dependent columns (norm over the free rows below 1e-10) take no row, so afterwards:
// rows 0 .. k-1 of X hold the reduced rows in column order, k the numerical rank; rows 0 .. k-1
// of Y the transformed right-hand sides belonging to them, and rows k .. nRows-1 of Y the
// components orthogonal to the column space of X. Returns k. Works for nRows < nCols as well;
// never touches anything outside X and Y (nRows and nCols are clamped to them; all columns of Y
// are transformed). Rows k .. of X are left with stale values; in rows 0 .. k-1 the entries
// left of a row's leading column are exactly 0. Norms and dot products are summed in long double.
std::size_t householderSolve(RealMatrix& X, RealMatrix& Y, std::size_t nRows, std::size_t nCols);
