// Threshold Jacobi eigen decomposition of a symmetric matrix.
#pragma once

#include <cstddef>

#include "kernels/matrix.h"

// Eigenvalues and eigenvectors of the leading n x n square of the symmetric matrix A. Afterwards
// the diagonal of A holds the eigenvalues in descending order and column j of V (n x n, its
// contents on entry ignored; reshaped to n x n if smaller) is the unit eigenvector of A[j][j].
// eps is the final threshold. The rotations are those of the threshold method that restarts its
// sweep after every rotation; the search for the next element only revisits what a rotation
// changed. Stops after a number of rounds and rotations far above convergence, and at once on
// NaN or infinite entries.
void jacobiEigen(RealMatrix& A, std::size_t n, RealMatrix& V, double eps);
