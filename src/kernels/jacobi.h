// Threshold Jacobi eigen decomposition of a symmetric matrix.
#pragma once

#include <cstddef>

#include "kernels/matrix.h"

// Eigenvalues and eigenvectors of the leading n x n square of the symmetric matrix A (its lower
// triangle is read; the upper one is overwritten with the mirror image). Afterwards the diagonal
// of A holds the eigenvalues in descending order and column j of V (n x n, its contents on entry
// ignored; reshaped to n x n if smaller) is the unit eigenvector of A[j][j]. eps is the final
// threshold. The rotations are those of the threshold method that restarts its sweep after every
// rotation; after a rotation of (j, k) the search checks the entries of rows and columns j and k
// before (j, k) and otherwise goes on from (j, k), which finds the same element. Stops after a
// number of rounds and rotations far above convergence, and at once on NaN or infinite entries.
void jacobiEigen(RealMatrix& A, std::size_t n, RealMatrix& V, double eps);
