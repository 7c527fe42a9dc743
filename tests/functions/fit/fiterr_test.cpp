// fiterr: standard errors of fitted parameters, and when it cannot give them.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/functions/script_arrays.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;
using NuvixTest::TScriptRun;

// The closed-form standard errors of a least-squares line y = a x + b through n points:
// s^2 = SSR / (n - 2), se(a) = sqrt(s^2 / Sxx), se(b) = sqrt(s^2 (1/n + mean(x)^2 / Sxx)).
TEST(FitErr, MatchesLinearRegressionOnALine) {
    const std::vector<double> y = {1.2, 2.9, 5.3, 6.8, 9.1, 11.2, 12.7, 15.3, 16.8, 19.2};
    std::string script;
    for (std::size_t i = 0; i < y.size(); ++i)
        script += "xd[" + std::to_string(i) + "]=" + std::to_string(i) + ", yd[" + std::to_string(i) +
                  "]=" + std::to_string(y[i]) + ", ";
    TScriptRun run(script + "p[0]=1, p[1]=0, fit(xd[];yd[];p[];x;p[0]*x+p[1];0;0;chi), "
                            "a=p[0], b=p[1], fiterr(xd[];yd[];p[];x;p[0]*x+p[1];perr[])");
    EXPECT_EQ(run.Run(), "-1");
    // The probes do not stay in p[].
    EXPECT_EQ(run.Array("p")->at(0), run.Scalar("a").value());
    EXPECT_EQ(run.Array("p")->at(1), run.Scalar("b").value());

    const double n = static_cast<double>(y.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double x = static_cast<double>(i);
        sx += x, sy += y[i], sxx += x * x, sxy += x * y[i];
    }
    const double Sxx = sxx - sx * sx / n;
    const double a = (sxy - sx * sy / n) / Sxx;
    const double b = (sy - a * sx) / n;
    double ssr = 0;
    for (std::size_t i = 0; i < y.size(); ++i) ssr += std::pow(y[i] - (a * static_cast<double>(i) + b), 2);
    const double s2 = ssr / (n - 2);
    const auto perr = run.Array("perr");
    ASSERT_EQ(perr->size(), 2u);
    EXPECT_NEAR(perr->at(0), std::sqrt(s2 / Sxx), 1e-6 * std::sqrt(s2 / Sxx));
    EXPECT_NEAR(perr->at(1), std::sqrt(s2 * (1 / n + (sx / n) * (sx / n) / Sxx)), 1e-6);
}

TEST(FitErr, ReturnsZeroAndLeavesPerrWhenItCannot) {
    const std::string line = "for(i=0;i<10;i+=1;(xd[i]=i, yd[i]=2*i+1+mod(i;2)/10)), perr[0]=7, p[0]=2, p[1]=1, ";
    for (const char* model : {"p[0]*x", "p[0]*p[1]*x"}) { // p[1] without influence; two as one
        SCOPED_TRACE(model);
        TScriptRun run(line + "fiterr(xd[];yd[];p[];x;" + model + ";perr[])");
        EXPECT_EQ(run.Run(), "0");
        EXPECT_EQ(*run.Array("perr"), std::vector<double>{7});
    }
    // No more points than parameters.
    TScriptRun two("xd[0]=0, xd[1]=1, yd[0]=1, yd[1]=3, p[0]=2, p[1]=1, perr[0]=7, "
                   "fiterr(xd[];yd[];p[];x;p[0]*x+p[1];perr[])");
    EXPECT_EQ(two.Run(), "0");
    EXPECT_EQ(*two.Array("perr"), std::vector<double>{7});
}

TEST(FitErr, ArgumentErrors) {
    ExpectResults({
        {"xd[0]=1, yd[0]=1, p[0]=1, fiterr(xd[];yd[];p[];x;p[0];5)", "Syntax: Illegal argument"},
        {"xd[0]=1, yd[0]=1, p[0]=1, fiterr(xd[];yd[];p[];3;p[0];e[])", "Syntax: Illegal argument"},
        {"xd[0]=1, yd[0]=1, p=1, fiterr(xd[];yd[];p;x;p;e[])", "Syntax: Illegal argument"},
    });
}

} // namespace
