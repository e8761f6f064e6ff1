// A dense matrix with contiguous row-major storage, the storage every kernel works on.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

template <typename T>
class Matrix {
 public:
  Matrix() = default;
  Matrix(std::size_t rows, std::size_t cols, T fill = T()) : rows_(rows), cols_(cols), data_(rows * cols, fill) {}

  std::size_t rows() const { return rows_; }
  std::size_t cols() const { return cols_; }
  bool empty() const { return data_.empty(); }

  // Row access: m[r][c]. The row pointer stays valid until the matrix is resized.
  T* operator[](std::size_t r) {
    assert(r < rows_);
    return data_.data() + r * cols_;
  }
  const T* operator[](std::size_t r) const {
    assert(r < rows_);
    return data_.data() + r * cols_;
  }
  T& operator()(std::size_t r, std::size_t c) {
    assert(r < rows_ && c < cols_);
    return data_[r * cols_ + c];
  }
  const T& operator()(std::size_t r, std::size_t c) const {
    assert(r < rows_ && c < cols_);
    return data_[r * cols_ + c];
  }

  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }

  // Reshapes without keeping the contents; every entry becomes `fill`. Capacity is reused.
  void reset(std::size_t rows, std::size_t cols, T fill = T()) {
    rows_ = rows;
    cols_ = cols;
    data_.assign(rows * cols, fill);
  }
  void fill(T value) { std::fill(data_.begin(), data_.end(), value); }

  void swapRows(std::size_t a, std::size_t b) {
    if (a == b) return;
    std::swap_ranges((*this)[a], (*this)[a] + cols_, (*this)[b]);
  }

  bool operator==(const Matrix& o) const { return rows_ == o.rows_ && cols_ == o.cols_ && data_ == o.data_; }

 private:
  std::size_t rows_ = 0;
  std::size_t cols_ = 0;
  std::vector<T> data_;
};

using RealMatrix = Matrix<double>;
// Integer matrices (designs, restriction rows, hypothesis rows). 64-bit entries leave room for
// the products of exact elimination.
using IntMatrix = Matrix<std::int64_t>;
