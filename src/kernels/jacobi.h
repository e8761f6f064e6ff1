// Threshold Jacobi eigen decomposition of a symmetric matrix.
#pragma once

#include <cstddef>

#include "kernels/matrix.h"

// Eigenvalues and eigenvectors of the leading n x n square of the symmetric matrix A. Afterwards
// the diagonal of A holds the eigenvalues in descending order and column j of V (n x n, its
// contents on entry ignored) is the unit eigenvector of A[j][j]. eps is the final threshold.
void jacobiEigen(RealMatrix& A, std::size_t n, RealMatrix& V, double eps);
