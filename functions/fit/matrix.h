// Matrix: the square matrix of the fitter, with LU decomposition and solving in place.
#pragma once

#include <cstdint>
#include <memory>

namespace NuvixParser {

class Matrix {
public:
    // An n x n matrix of zeros.
    explicit Matrix(std::int32_t n);
    Matrix(const Matrix& other);
    // Takes the other's size (reallocating when it differs) and contents.
    Matrix& operator=(const Matrix& other);

    std::int32_t Size() const { return n_; }
    double* operator[](std::int32_t row) { return cells_.get() + std::int64_t{row} * n_; }
    const double* operator[](std::int32_t row) const { return cells_.get() + std::int64_t{row} * n_; }
    void SetZero();

    // LU decomposition in place (Crout order, partial pivoting with implicit row scaling):
    // afterwards the matrix holds L below the diagonal (unit diagonal implied) and U on and
    // above it, of the rows permuted as index[] records (index[j] is the row swapped into
    // row j at step j). `index` and `scale` need Size() elements each. False, with the
    // matrix partly changed, when a row is all zeros. A zero pivot becomes 1e-30, so a
    // matrix that is singular in a less obvious way still decomposes.
    bool Decompose(std::int32_t* index, double* scale);
    // Solves A x = b with a decomposition made by Decompose; b becomes x.
    void Solve(const std::int32_t* index, double* b) const;

private:
    void SwapRows(std::int32_t a, std::int32_t b);
    std::int32_t n_;
    std::unique_ptr<double[]> cells_; // row after row
};

} // namespace NuvixParser
