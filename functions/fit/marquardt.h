// Marquardt: Levenberg-Marquardt least-squares fitting of a model with bounded parameters.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "functions/fit/matrix.h"

namespace NuvixParser {

// One parameter of a fit: its start value and its bounds (-1e255 and +1e255 for none).
struct TFitLimits {
    double start;
    double min;
    double max;
};

// The callbacks get the context given to the fitter.
// The model at x with the fitter's current parameters.
using TFitModel = double (*)(double x, void* context);
// Fills the standard deviations of the points (all 1 unless this is given).
using TFitSigma = void (*)(const double* x, const double* y, double* sigma, std::int32_t count, void* context);
// The partial derivatives of the model at x by every parameter, into dyda (replaces the
// numerical derivatives).
using TFitDerivatives = void (*)(double x, const double* params, double* dyda, std::int32_t count, void* context);
// The model at count points at once (out[i] at x[i]) with the fitter's current parameters.
using TFitColumnModel = void (*)(const double* x, std::int32_t count, double* out, void* context);
// Called before every iteration with the chi-square per point so far; returning false
// ends the fit at once (Fit() then returns false and Stopped() is true).
using TFitProgress = bool (*)(void* context, std::int32_t iteration, double chiSquarePerPoint);

// Adjusts params so that the sum of ((y_i - model(x_i)) / sigma_i)^2 becomes small.
// The arrays x, y, limits and params are not copied and must outlive the fitter; params
// is updated in place, and the model is expected to read its parameters from there.
// Everything the iteration needs is allocated by the constructor.
class Marquardt {
public:
    Marquardt(const double* x, const double* y, std::int32_t pointCount, const TFitLimits* limits,
              std::int32_t paramCount, double* params, TFitProgress progressCallback, void* context,
              TFitModel model, TFitSigma sigmaCallback, TFitDerivatives derivativeCallback,
              std::int32_t maxIterations, double tolerance);
    Marquardt(const Marquardt&) = delete;
    Marquardt(Marquardt&&) = default;
    Marquardt& operator=(const Marquardt&) = delete;

    // Iterates from the current params, first moved into their bounds. True when the
    // iteration ended normally (too little improvement, the iteration limit, or a damping
    // beyond 1e30); false when the curvature matrix was singular or the progress callback
    // stopped the fit.
    bool Fit();
    // The standard errors of the current params, unweighted data scaled by the residuals:
    // sqrt of the diagonal of (J^T J)^-1 chi^2 / (points - params), J the model's Jacobian
    // (central differences with the fit's steps).
    // False (errors untouched) when there are no more points than params or the matrix is
    // singular.
    bool StandardErrors(double* errors);

    // The step that probes the derivative by a parameter of value v: 0.1 % of it, signed
    // like it, but never less than about the square root of the machine epsilon, so that
    // the probe changes the model in double precision even at v = 0.
    static double DerivativeStep(double v);

    // A model that evaluates many points per call replaces the point-by-point one: the
    // fit is the same, computed block by block.
    void SetColumnModel(TFitColumnModel model) { columnModel_ = model; }

    double ChiSquare() const { return chiSquare_; }
    double Lambda() const { return lambda_; }
    std::int32_t Iterations() const { return iterations_; }
    bool Stopped() const { return stopped_; }
    // The inverse of the final curvature matrix (valid after Fit() returned true).
    const Matrix& Covariance() const { return covariance_; }

private:
    // alpha, beta and chi-square at the current params; derivatives by forward or central
    // differences.
    void Curvature(bool central = false);
    // The same, with the model evaluated for a block of points per call.
    void CurvatureByColumns(bool central);
    // Adds point i's share to alpha, beta and chi-square: its model value c, the
    // derivatives in dyda_.
    void Accumulate(std::int32_t i, double c, double& chi);
    // covariance_ = alpha_^-1 (alpha_ is decomposed on the way); false when singular.
    bool InvertAlpha();
    // Parameter j's value moved into its bounds; NaN goes to the lower bound.
    double Clamped(std::int32_t j, double p) const;

    const double* x_;
    const double* y_;
    std::int32_t pointCount_;
    const TFitLimits* limits_;
    std::int32_t paramCount_;
    double* params_;
    TFitSigma sigmaCallback_;
    TFitModel model_;
    TFitDerivatives derivativeCallback_;
    TFitColumnModel columnModel_ = nullptr;
    std::vector<double> columns_; // the model's values and its probes for one block
    TFitProgress progressCallback_;
    void* context_;
    Matrix savedAlpha_;
    std::unique_ptr<double[]> beta_;
    std::unique_ptr<double[]> sigma_;
    std::unique_ptr<double[]> savedParams_;
    std::unique_ptr<double[]> savedBeta_;
    double lambda_ = 0.001;
    double oldChiSquare_ = 0;
    std::unique_ptr<double[]> dyda_;
    double tolerance_;
    std::int32_t maxIterations_;
    std::unique_ptr<std::int32_t[]> index_;
    std::unique_ptr<double[]> scale_; // row scales of the decomposition
    Matrix alpha_;
    Matrix covariance_;
    double chiSquare_ = 0;
    std::int32_t iterations_ = 0;
    bool stopped_ = false;
};

} // namespace NuvixParser
