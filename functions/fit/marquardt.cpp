// Marquardt: the damped Gauss-Newton iteration, its curvature matrix and its stopping rule.
#include "functions/fit/marquardt.h"

#include <algorithm>
#include <cmath>

namespace NuvixParser {
namespace {

template <class T> std::unique_ptr<T[]> Buffer(std::int32_t n) {
    return std::make_unique<T[]>(static_cast<std::size_t>(std::max(n, 0)));
}

} // namespace

Marquardt::Marquardt(const double* x, const double* y, std::int32_t pointCount, const TFitLimits* limits,
                     std::int32_t paramCount, double* params, TFitProgress progressCallback, void* context,
                     TFitModel model, TFitSigma sigmaCallback, TFitDerivatives derivativeCallback,
                     std::int32_t maxIterations, double tolerance)
    : x_(x), y_(y), pointCount_(pointCount), limits_(limits), paramCount_(paramCount), params_(params),
      sigmaCallback_(sigmaCallback), model_(model), derivativeCallback_(derivativeCallback),
      progressCallback_(progressCallback), context_(context), savedAlpha_(paramCount),
      beta_(Buffer<double>(paramCount)), sigma_(Buffer<double>(pointCount)),
      savedParams_(Buffer<double>(paramCount)), savedBeta_(Buffer<double>(paramCount)),
      dyda_(Buffer<double>(paramCount)), tolerance_(tolerance), maxIterations_(maxIterations),
      index_(Buffer<std::int32_t>(paramCount)),
      scale_(Buffer<double>(paramCount)), alpha_(paramCount), covariance_(paramCount) {}

double Marquardt::DerivativeStep(double v) {
    // Near 0 a relative step no longer changes the parameter: 1e-40 added to a model value
    // of order 1 vanishes in rounding, the derivative column is 0 and the matrix singular.
    constexpr double kSmallestStep = 1.4901161193847656e-08; // 2^-26, sqrt of DBL_EPSILON
    const double h = 0.001 * v;
    if (std::fabs(h) >= kSmallestStep) return h;
    return std::signbit(v) ? -kSmallestStep : kSmallestStep;
}

double Marquardt::Clamped(std::int32_t j, double p) const {
    // Written so that a NaN parameter is put on its lower bound.
    if (!(p >= limits_[j].min)) p = limits_[j].min;
    if (p > limits_[j].max) p = limits_[j].max;
    return p;
}

void Marquardt::Curvature(bool central) {
    const std::int32_t np = paramCount_;
    alpha_.SetZero();
    std::fill_n(beta_.get(), np, 0.0);
    double chi = 0;
    if (columnModel_ && !derivativeCallback_) {
        CurvatureByColumns(central);
        return;
    }
    for (std::int32_t i = 0; i < pointCount_; ++i) {
        const double xi = x_[i];
        const double c = model_(xi, context_);
        if (derivativeCallback_) {
            derivativeCallback_(xi, params_, dyda_.get(), np, context_);
        } else {
            // Forward differences while fitting; central ones (error of order h^2 instead
            // of h) for the standard errors, which are only computed once.
            for (std::int32_t j = 0; j < np; ++j) {
                const double v = params_[j];
                const double h = DerivativeStep(v);
                params_[j] = v + h;
                const double up = model_(xi, context_);
                if (central) {
                    params_[j] = v - h;
                    dyda_[j] = (up - model_(xi, context_)) / (2 * h);
                } else {
                    dyda_[j] = (up - c) / h;
                }
                params_[j] = v;
            }
        }
        Accumulate(i, c, chi);
    }
    for (std::int32_t j = 1; j < np; ++j)
        for (std::int32_t k = 0; k < j; ++k) alpha_[k][j] = alpha_[j][k];
    chiSquare_ = chi;
}

// The same values as the point-by-point loop, in the same order of summation: the model of
// a block, then each parameter's probes over the block, then the points one by one.
void Marquardt::CurvatureByColumns(bool central) {
    constexpr std::int32_t kBlock = 256;
    const std::int32_t np = paramCount_;
    const std::int32_t probes = central ? 2 * np : np;
    columns_.resize(static_cast<std::size_t>(kBlock) * (probes + 1));
    double* values = columns_.data();
    std::vector<double> steps(static_cast<std::size_t>(np));
    for (std::int32_t j = 0; j < np; ++j) steps[j] = DerivativeStep(params_[j]);
    double chi = 0;
    for (std::int32_t start = 0; start < pointCount_; start += kBlock) {
        const std::int32_t n = std::min(kBlock, pointCount_ - start);
        const double* x = x_ + start;
        columnModel_(x, n, values, context_);
        for (std::int32_t j = 0; j < np; ++j) {
            const double v = params_[j];
            const double h = steps[j];
            params_[j] = v + h;
            columnModel_(x, n, values + kBlock * (j + 1), context_);
            if (central) {
                params_[j] = v - h;
                columnModel_(x, n, values + kBlock * (np + j + 1), context_);
            }
            params_[j] = v;
        }
        for (std::int32_t i = 0; i < n; ++i) {
            const double c = values[i];
            for (std::int32_t j = 0; j < np; ++j) {
                const double h = steps[j];
                const double up = values[kBlock * (j + 1) + i];
                dyda_[j] = central ? (up - values[kBlock * (np + j + 1) + i]) / (2 * h) : (up - c) / h;
            }
            Accumulate(start + i, c, chi);
        }
    }
    for (std::int32_t j = 1; j < np; ++j)
        for (std::int32_t k = 0; k < j; ++k) alpha_[k][j] = alpha_[j][k];
    chiSquare_ = chi;
}

// Each point contributes w d^2 to chi-square and w (dy/dp_j)(dy/dp_k) to alpha, the
// Gauss-Newton approximation of half the Hessian; beta is minus half the gradient.
void Marquardt::Accumulate(std::int32_t i, double c, double& chi) {
    const std::int32_t np = paramCount_;
    const double w = 1 / (sigma_[i] * sigma_[i]);
    const double d = y_[i] - c;
    chi += d * d * w;
    for (std::int32_t j = 0; j < np; ++j) {
        const double t = w * dyda_[j];
        double* row = alpha_[j];
        for (std::int32_t k = 0; k <= j; ++k) row[k] += t * dyda_[k];
        beta_[j] += d * t;
    }
}

bool Marquardt::Fit() {
    const std::int32_t np = paramCount_;
    stopped_ = false;
    iterations_ = 0;
    lambda_ = 0.001;
    std::fill_n(sigma_.get(), pointCount_, 1.0);
    if (sigmaCallback_) sigmaCallback_(x_, y_, sigma_.get(), pointCount_, context_);
    // Start values outside the bounds would come back unchanged when every step fails.
    for (std::int32_t j = 0; j < np; ++j) params_[j] = Clamped(j, params_[j]);
    Curvature();

    bool rejected = false;
    do {
        if (progressCallback_ &&
            !progressCallback_(context_, iterations_, chiSquare_ / static_cast<double>(pointCount_))) {
            stopped_ = true;
            return false;
        }
        ++iterations_;
        oldChiSquare_ = chiSquare_;
        // Damping the diagonal moves the step from Gauss-Newton towards steepest descent.
        for (std::int32_t j = 0; j < np; ++j) alpha_[j][j] *= 1 + lambda_;
        std::copy_n(params_, np, savedParams_.get());
        std::copy_n(beta_.get(), np, savedBeta_.get());
        savedAlpha_ = alpha_;

        if (!alpha_.Decompose(index_.get(), scale_.get())) return false;
        alpha_.Solve(index_.get(), beta_.get()); // beta becomes the step
        for (std::int32_t j = 0; j < np; ++j) params_[j] = Clamped(j, params_[j] + beta_[j]);
        Curvature();

        if (chiSquare_ >= oldChiSquare_) {
            // Back to the old point, with the damped matrix of this step, so that repeated
            // failures compound the damping (by 1 + lambda each time, on top of lambda x 10).
            lambda_ *= 10;
            chiSquare_ = oldChiSquare_;
            std::copy_n(savedParams_.get(), np, params_);
            std::copy_n(savedBeta_.get(), np, beta_.get());
            alpha_ = savedAlpha_;
            rejected = true;
        } else {
            lambda_ *= 0.1;
            rejected = false;
        }
        // The improvement tolerance is an absolute amount of chi-square.
    } while (iterations_ < maxIterations_ && (oldChiSquare_ - chiSquare_ > tolerance_ || rejected) &&
             lambda_ < 1e30);

    alpha_ = savedAlpha_;
    InvertAlpha();
    return true;
}

bool Marquardt::InvertAlpha() {
    const std::int32_t np = paramCount_;
    if (!alpha_.Decompose(index_.get(), scale_.get())) return false;
    double* column = savedBeta_.get();
    for (std::int32_t c = 0; c < np; ++c) {
        std::fill_n(column, np, 0.0);
        column[c] = 1;
        alpha_.Solve(index_.get(), column);
        for (std::int32_t r = 0; r < np; ++r) covariance_[r][c] = column[r];
    }
    return true;
}

bool Marquardt::StandardErrors(double* errors) {
    const std::int32_t np = paramCount_;
    if (pointCount_ <= np) return false;
    std::fill_n(sigma_.get(), pointCount_, 1.0);
    Curvature(true);
    for (std::int32_t j = 0; j < np; ++j) dyda_[j] = alpha_[j][j];
    if (!InvertAlpha()) return false;
    const double scale = chiSquare_ / static_cast<double>(pointCount_ - np);
    // A matrix that is singular in a less obvious way decomposes with tiny pivots. For a
    // positive definite matrix (A^-1)_jj A_jj >= 1; beyond 1e14 the parameter is not
    // determined within double precision (two parameters that act as one, say).
    for (std::int32_t j = 0; j < np; ++j) {
        const double variance = covariance_[j][j];
        if (!(variance > 0) || !(variance * dyda_[j] < 1e14) || !std::isfinite(variance * scale)) return false;
    }
    for (std::int32_t j = 0; j < np; ++j) errors[j] = std::sqrt(covariance_[j][j] * scale);
    return true;
}

} // namespace NuvixParser
