// Matrix: storage, assignment, and LU decomposition with forward and back substitution.
#include "functions/fit/matrix.h"

#include <algorithm>
#include <cmath>

namespace NuvixParser {
namespace {

std::unique_ptr<double[]> Cells(std::int32_t n) {
    return std::make_unique<double[]>(static_cast<std::size_t>(std::int64_t{n} * n));
}

} // namespace

Matrix::Matrix(std::int32_t n) : n_(std::max(n, 0)), cells_(Cells(n_)) {}

Matrix::Matrix(const Matrix& other) : Matrix(other.n_) {
    std::copy_n(other.cells_.get(), std::int64_t{n_} * n_, cells_.get());
}

Matrix& Matrix::operator=(const Matrix& other) {
    if (this == &other) return *this;
    if (other.n_ != n_) {
        cells_ = Cells(other.n_);
        n_ = other.n_;
    }
    std::copy_n(other.cells_.get(), std::int64_t{n_} * n_, cells_.get());
    return *this;
}

void Matrix::SetZero() {
    std::fill_n(cells_.get(), std::int64_t{n_} * n_, 0.0);
}

void Matrix::SwapRows(std::int32_t a, std::int32_t b) {
    std::swap_ranges((*this)[a], (*this)[a] + n_, (*this)[b]);
}

bool Matrix::Decompose(std::int32_t* index, double* scale) {
    Matrix& a = *this;
    const std::int32_t n = n_;
    for (std::int32_t i = 0; i < n; ++i) {
        double big = 0;
        for (std::int32_t j = 0; j < n; ++j) big = std::max(big, std::fabs(a[i][j]));
        if (big == 0) return false; // a row of zeros (or of zeros and NaN)
        scale[i] = 1 / big;
    }
    for (std::int32_t j = 0; j < n; ++j) {
        for (std::int32_t i = 0; i < j; ++i) {
            double sum = a[i][j];
            for (std::int32_t k = 0; k < i; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        // The pivot starts as the diagonal row: with NaN in the column no comparison
        // succeeds, and the row must still be a valid one.
        std::int32_t pivot = j;
        double best = 0;
        for (std::int32_t i = j; i < n; ++i) {
            double sum = a[i][j];
            for (std::int32_t k = 0; k < j; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            const double merit = scale[i] * std::fabs(sum);
            if (merit > best) { // strictly: the first of equal rows wins
                best = merit;
                pivot = i;
            }
        }
        if (pivot != j) {
            SwapRows(pivot, j);
            std::swap(scale[pivot], scale[j]);
        }
        index[j] = pivot;
        if (a[j][j] == 0) a[j][j] = 1e-30;
        for (std::int32_t i = j + 1; i < n; ++i) a[i][j] /= a[j][j];
    }
    return true;
}

void Matrix::Solve(const std::int32_t* index, double* b) const {
    const Matrix& a = *this;
    const std::int32_t n = n_;
    // Forward substitution; `first` is the first nonzero entry of b, before which L's
    // products contribute nothing.
    std::int32_t first = -1;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t p = index[i];
        double sum = b[p];
        b[p] = b[i];
        if (first >= 0) {
            for (std::int32_t j = first; j < i; ++j) sum -= a[i][j] * b[j];
        } else if (sum != 0) {
            first = i;
        }
        b[i] = sum;
    }
    for (std::int32_t i = n - 1; i >= 0; --i) {
        double sum = b[i];
        for (std::int32_t j = i + 1; j < n; ++j) sum -= a[i][j] * b[j];
        b[i] = sum / a[i][i];
    }
}

} // namespace NuvixParser
