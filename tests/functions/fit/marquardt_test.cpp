// Marquardt on models written in C++: convergence, bounds, singular cases, the callbacks.
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "functions/fit/marquardt.h"

namespace {

using NuvixParser::Marquardt;
using NuvixParser::TFitLimits;

constexpr double kFree = 1e255;

// The model reads its parameters where the fitter keeps them.
struct TLine {
    const double* params = nullptr;
    int calls = 0;
    bool useIntercept = true;
    static double Model(double x, void* context) {
        auto& self = *static_cast<TLine*>(context);
        ++self.calls;
        return self.params[0] * x + (self.useIntercept ? self.params[1] : 0);
    }
};

struct TProblem {
    std::vector<double> x, y;
    std::vector<double> params;
    std::vector<TFitLimits> limits;
    TProblem(std::vector<double> start, int points, double slope, double intercept) : params(std::move(start)) {
        for (int i = 0; i < points; ++i) {
            x.push_back(i);
            y.push_back(slope * i + intercept);
        }
        for (double p : params) limits.push_back({p, -kFree, kFree});
    }
    std::int32_t Points() const { return static_cast<std::int32_t>(x.size()); }
    std::int32_t Count() const { return static_cast<std::int32_t>(params.size()); }
};

TEST(Marquardt, FitsExactDataOfALine) {
    TProblem p({1, 1}, 10, 2, 1);
    TLine line{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), p.Points(), p.limits.data(), p.Count(), p.params.data(), nullptr,
                     &line, &TLine::Model, nullptr, nullptr, 100, 1e-5);
    EXPECT_TRUE(fitter.Fit());
    EXPECT_NEAR(p.params[0], 2, 1e-6);
    EXPECT_NEAR(p.params[1], 1, 1e-6);
    EXPECT_LT(fitter.ChiSquare(), 1e-15);
    EXPECT_LT(fitter.Lambda(), 0.001); // accepted steps lowered the damping
    // One curvature pass per iteration plus the first, each evaluating every point for the
    // value and once more per parameter.
    EXPECT_EQ(line.calls, (fitter.Iterations() + 1) * 10 * 3);
}

TEST(Marquardt, CovarianceIsTheInverseCurvature) {
    TProblem p({1, 1}, 10, 2, 1);
    TLine line{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), p.Points(), p.limits.data(), p.Count(), p.params.data(), nullptr,
                     &line, &TLine::Model, nullptr, nullptr, 100, 1e-5);
    ASSERT_TRUE(fitter.Fit());
    // alpha = [[sum x^2, sum x], [sum x, n]] = [[285, 45], [45, 10]], determinant 825. The
    // inverted matrix is the one of the last step, whose diagonal is damped by 1 + lambda.
    ASSERT_LT(fitter.Lambda(), 1e-4);
    const auto& c = fitter.Covariance();
    EXPECT_NEAR(c[0][0], 10.0 / 825, 1e-3 * 10.0 / 825);
    EXPECT_NEAR(c[0][1], -45.0 / 825, 1e-3 * 45.0 / 825);
    EXPECT_NEAR(c[1][0], -45.0 / 825, 1e-3 * 45.0 / 825);
    EXPECT_NEAR(c[1][1], 285.0 / 825, 1e-3 * 285.0 / 825);
}

TEST(Marquardt, BoundsClampEveryStep) {
    TProblem p({1, 1}, 10, 2, 1);
    p.limits[1] = {1, 5, 5}; // the intercept is held at 5 from the first step on
    p.limits[0] = {1, 0, 10};
    TLine line{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), p.Points(), p.limits.data(), p.Count(), p.params.data(), nullptr,
                     &line, &TLine::Model, nullptr, nullptr, 100, 1e-5);
    EXPECT_TRUE(fitter.Fit());
    EXPECT_EQ(p.params[1], 5);
    // The slope moves from the unbounded answer 2 towards the answer for an intercept of 5,
    // 2 - 4*45/285, but the steps that the bound cuts short improve chi-square so little
    // that the absolute tolerance ends the fit on the way: a known weakness of clamping.
    EXPECT_GT(p.params[0], 2 - 4.0 * 45 / 285);
    EXPECT_LT(p.params[0], 2);
    EXPECT_LT(fitter.ChiSquare(), 160.0); // at slope 2 every point is off by 4
}

TEST(Marquardt, AParameterWithoutInfluenceMakesTheMatrixSingular) {
    TProblem p({1, 1}, 10, 2, 1);
    TLine line{p.params.data()};
    line.useIntercept = false;
    Marquardt fitter(p.x.data(), p.y.data(), p.Points(), p.limits.data(), p.Count(), p.params.data(), nullptr,
                     &line, &TLine::Model, nullptr, nullptr, 100, 1e-5);
    EXPECT_FALSE(fitter.Fit());
    EXPECT_EQ(fitter.Iterations(), 1);
    EXPECT_FALSE(fitter.Stopped());
}

TEST(Marquardt, NaNInTheTimesGivesASingularMatrixNotACrash) {
    TProblem p({1, 1}, 10, 2, 1);
    p.x[3] = std::numeric_limits<double>::quiet_NaN();
    TLine line{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), p.Points(), p.limits.data(), p.Count(), p.params.data(), nullptr,
                     &line, &TLine::Model, nullptr, nullptr, 100, 1e-5);
    EXPECT_FALSE(fitter.Fit());
}

// Sigmas weight the points: an outlier with a huge sigma no longer pulls the line.
TEST(Marquardt, SigmaCallbackWeightsThePoints) {
    TProblem p({1, 1}, 10, 2, 1);
    p.y[7] += 50;
    auto sigmas = [](const double*, const double*, double* sigma, std::int32_t count, void*) {
        for (std::int32_t i = 0; i < count; ++i) sigma[i] = i == 7 ? 1e6 : 1;
    };
    TLine line{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), p.Points(), p.limits.data(), p.Count(), p.params.data(), nullptr,
                     &line, &TLine::Model, sigmas, nullptr, 100, 1e-5);
    EXPECT_TRUE(fitter.Fit());
    EXPECT_NEAR(p.params[0], 2, 1e-6);
    EXPECT_NEAR(p.params[1], 1, 1e-5);
    EXPECT_NEAR(fitter.ChiSquare(), 50.0 * 50 / 1e12, 1e-12); // (d / sigma)^2 of the outlier
}

TEST(Marquardt, AnalyticDerivativesReplaceTheProbes) {
    TProblem p({1, 1}, 10, 2, 1);
    auto derivatives = [](double x, const double*, double* dyda, std::int32_t, void*) {
        dyda[0] = x;
        dyda[1] = 1;
    };
    TLine line{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), p.Points(), p.limits.data(), p.Count(), p.params.data(), nullptr,
                     &line, &TLine::Model, nullptr, derivatives, 100, 1e-5);
    EXPECT_TRUE(fitter.Fit());
    EXPECT_NEAR(p.params[0], 2, 1e-6);
    EXPECT_NEAR(p.params[1], 1, 1e-6);
    EXPECT_EQ(line.calls, (fitter.Iterations() + 1) * 10); // only the values
}

// An exponential from a poor start needs several iterations; progress is reported before
// each, and a callback that says stop ends the fit there.
struct TDecay {
    const double* params = nullptr;
    int progressCalls = 0;
    int stopAt = -1;
    static double Model(double x, void* context) {
        const double* p = static_cast<TDecay*>(context)->params;
        return p[0] * std::exp(-p[1] * x);
    }
    static bool Progress(void* context, std::int32_t iteration, double) {
        auto& self = *static_cast<TDecay*>(context);
        EXPECT_EQ(iteration, self.progressCalls);
        ++self.progressCalls;
        return iteration != self.stopAt;
    }
};

// 3 exp(-0.7 x) at 50 points, from the start (1, 2).
TProblem DecayFromAPoorStart() {
    TProblem p({1, 2}, 50, 0, 0);
    for (int i = 0; i < 50; ++i) {
        p.x[i] = i * 0.1;
        p.y[i] = 3 * std::exp(-0.7 * p.x[i]);
    }
    return p;
}

TEST(Marquardt, ProgressCallbackCanStopTheFit) {
    TProblem p = DecayFromAPoorStart();
    TDecay decay{p.params.data()};
    decay.stopAt = 2;
    Marquardt stopped(p.x.data(), p.y.data(), 50, p.limits.data(), 2, p.params.data(), &TDecay::Progress, &decay,
                      &TDecay::Model, nullptr, nullptr, 100, 1e-5);
    EXPECT_FALSE(stopped.Fit());
    EXPECT_TRUE(stopped.Stopped());
    EXPECT_EQ(stopped.Iterations(), 2);

    p.params = {1, 2};
    TDecay running{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), 50, p.limits.data(), 2, p.params.data(), &TDecay::Progress, &running,
                     &TDecay::Model, nullptr, nullptr, 100, 1e-5);
    EXPECT_TRUE(fitter.Fit());
    EXPECT_FALSE(fitter.Stopped());
    EXPECT_EQ(running.progressCalls, fitter.Iterations());
    EXPECT_GT(fitter.Iterations(), 3);
    EXPECT_NEAR(p.params[0], 3, 1e-5);
    EXPECT_NEAR(p.params[1], 0.7, 1e-5);
}

TEST(Marquardt, StopsAtTheIterationLimit) {
    TProblem p = DecayFromAPoorStart();
    TDecay decay{p.params.data()};
    Marquardt fitter(p.x.data(), p.y.data(), 50, p.limits.data(), 2, p.params.data(), nullptr, &decay, &TDecay::Model,
                     nullptr, nullptr, 3, 1e-5);
    EXPECT_TRUE(fitter.Fit()); // running out of iterations still counts as success
    EXPECT_EQ(fitter.Iterations(), 3);
    EXPECT_GT(fitter.ChiSquare(), 1e-3);
}

} // namespace

namespace {

// The probe is 0.1 % of the parameter, but never below 2^-26 in size, so that it changes a
// model value of ordinary size even for a parameter at or near 0.
TEST(Marquardt, DerivativeStepIsRelativeWithAnAbsoluteFloor) {
    const double floor = std::ldexp(1.0, -26);
    const struct {
        double v, step;
    } kCases[] = {
        {1, 0.001}, {-2, -0.002}, {1e6, 1000}, {0.1, 1e-4},   // relative
        {0, floor}, {-0.0, -floor}, {1e-9, floor}, {-1e-7, -floor}, // the floor, signed like v
    };
    for (const auto& c : kCases) EXPECT_DOUBLE_EQ(NuvixParser::Marquardt::DerivativeStep(c.v), c.step) << c.v;
}

} // namespace
