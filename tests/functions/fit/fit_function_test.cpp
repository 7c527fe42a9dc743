// fit in scripts: convergence, results and side effects, bounds, bad arguments, breaks.
#include <chrono>
#include <cmath>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/functions/script_arrays.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::ExpectResults;
using NuvixTest::TScriptRun;
using namespace std::chrono_literals;

// 500 points of 3.5 (x - 4)^2 for x from 0 to 16.63.
const std::string kParabola = "for(i=0;i<500;i+=1;(xd[i]=i/30, yd[i]=3.5*(xd[i]-4)^2)), ";
// Ten points of 2x + 1.
const std::string kLine = "for(i=0;i<10;i+=1;(xd[i]=i, yd[i]=2*i+1)), ";

TEST(Fit, ConvergesOnAnExactParabola) {
    TScriptRun run(kParabola + "p[0]=1, p[1]=-1, fit(xd[];yd[];p[];x;p[0]*(x-p[1])^2;0;0;chi)");
    EXPECT_EQ(run.Run(), "-1");
    const auto p = run.Array("p");
    ASSERT_EQ(p->size(), 2u);
    EXPECT_NEAR((*p)[0], 3.5, 1e-6);
    EXPECT_NEAR((*p)[1], 4, 1e-6);
    EXPECT_LT(run.Scalar("chi").value(), 1e-9);
    EXPECT_EQ(run.Scalar("x"), 499.0 / 30); // the last point the model was evaluated at
}

TEST(Fit, UsesOtherScriptVariablesInTheModel) {
    TScriptRun run(kLine + "c=0.5, p[0]=1, fit(xd[];yd[];p[];x;p[0]*x+c;0;0;chi)");
    EXPECT_EQ(run.Run(), "-1");
    // Least squares slope with the intercept fixed at 0.5: sum x (2x + 0.5) / sum x^2.
    EXPECT_NEAR(run.Array("p")->at(0), 2 + 0.5 * 45 / 285, 1e-6);
}

TEST(Fit, SingularCasesReturnZeroButStillReport) {
    // p[1] has no influence; the model ignores every parameter.
    for (const char* model : {"p[0]*x", "2*x"}) {
        SCOPED_TRACE(model);
        TScriptRun run(kLine + "p[0]=1, p[1]=1, fit(xd[];yd[];p[];x;" + model + ";0;0;chi)");
        EXPECT_EQ(run.Run(), "0");
        EXPECT_TRUE(run.Scalar("chi").has_value()); // chisq and p[] are written anyway
        EXPECT_EQ(run.Array("p")->size(), 2u);
    }
}

// Starting a parameter at 0 is the commonest choice; its probe must still change the model.
TEST(Fit, ParametersStartingAtZeroConverge) {
    const std::string from1 = "for(i=0;i<10;i+=1;(xd[i]=i+1, yd[i]=2*i+3)), ";
    TScriptRun line(from1 + "p[0]=1, p[1]=0, fit(xd[];yd[];p[];x;p[0]*x+p[1];0;0;chi)");
    EXPECT_EQ(line.Run(), "-1");
    EXPECT_NEAR(line.Array("p")->at(0), 2, 1e-6);
    EXPECT_NEAR(line.Array("p")->at(1), 1, 1e-6);

    TScriptRun decay("for(i=0;i<20;i+=1;(xd[i]=i, yd[i]=5*exp(-i/4)+0.5)), p[0]=1, p[1]=1, p[2]=0, "
                     "fit(xd[];yd[];p[];x;p[0]*exp(-x/p[1])+p[2];0;0;chi)");
    EXPECT_EQ(decay.Run(), "-1");
    const auto p = decay.Array("p");
    EXPECT_NEAR(p->at(0), 5, 1e-4);
    EXPECT_NEAR(p->at(1), 4, 1e-4);
    EXPECT_NEAR(p->at(2), 0.5, 1e-4);
}

// The returned parameters lie within their bounds even when no step is ever taken.
TEST(Fit, StartValuesOutsideTheBoundsAreMovedIntoThem) {
    TScriptRun fixed(kLine + "p[0]=0, p[1]=0, lo[0]=0, lo[1]=5, hi[0]=10, hi[1]=5, "
                             "fit(xd[];yd[];p[];x;p[0]*x+p[1];lo[];hi[];chi)");
    fixed.Run();
    EXPECT_EQ(fixed.Array("p")->at(1), 5);
    EXPECT_GE(fixed.Array("p")->at(0), 0);
    EXPECT_LE(fixed.Array("p")->at(0), 10);

    // A bound that is active at the solution (p[1] >= 3 against the data's intercept 1):
    // p[1] stays on it, and the slope moves from 2 towards the best one for an intercept of
    // 3, sum x (y - 3) / sum x^2 = (2*285 - 2*45) / 285 (clamped steps get there slowly).
    TScriptRun active(kLine + "p[0]=1, p[1]=9, lo[0]=-100, lo[1]=3, hi[0]=100, hi[1]=100, "
                              "fit(xd[];yd[];p[];x;p[0]*x+p[1];lo[];hi[];chi)");
    EXPECT_EQ(active.Run(), "-1");
    EXPECT_EQ(active.Array("p")->at(1), 3);
    EXPECT_LT(active.Array("p")->at(0), 2);
    EXPECT_GE(active.Array("p")->at(0), (2.0 * 285 - 2.0 * 45) / 285 - 1e-9);
}

TEST(Fit, BoundsOfTheRightLengthHoldParameters) {
    TScriptRun held(kLine + "p[0]=1, p[1]=1, lo[0]=0, lo[1]=5, hi[0]=10, hi[1]=5, "
                            "fit(xd[];yd[];p[];x;p[0]*x+p[1];lo[];hi[];chi)");
    EXPECT_EQ(held.Run(), "-1");
    EXPECT_EQ(held.Array("p")->at(1), 5);

    // Bounds arrays of another length than p[] are ignored.
    TScriptRun ignored(kLine + "p[0]=1, p[1]=1, lo[0]=0, hi[2]=5, hi[1]=5, "
                               "fit(xd[];yd[];p[];x;p[0]*x+p[1];lo[];hi[];chi)");
    EXPECT_EQ(ignored.Run(), "-1");
    EXPECT_NEAR(ignored.Array("p")->at(1), 1, 1e-6);
}

TEST(Fit, UsesTheShorterOfTheDataArrays) {
    TScriptRun run(kLine + "yd[15]=1000, p[0]=1, p[1]=1, fit(xd[];yd[];p[];x;p[0]*x+p[1];0;0;chi)");
    EXPECT_EQ(run.Run(), "-1");
    EXPECT_NEAR(run.Array("p")->at(0), 2, 1e-6);
    EXPECT_NEAR(run.Array("p")->at(1), 1, 1e-6);
    EXPECT_EQ(run.Scalar("x"), 9);
}

// The model is any script: here it overwrites the data it is fitted to. The fitter works
// on copies taken before the first evaluation, so the fit is the same as without.
TEST(Fit, AModelThatChangesTheDataDoesNotChangeTheFit) {
    TScriptRun run(kLine + "p[0]=1, p[1]=1, "
                           "fit(xd[];yd[];p[];x;(yd[x]=yd[x]*3, xd[x]=-x, p[0]*x+p[1]);0;0;chi)");
    EXPECT_EQ(run.Run(), "-1");
    EXPECT_NEAR(run.Array("p")->at(0), 2, 1e-6);
    EXPECT_NEAR(run.Array("p")->at(1), 1, 1e-6);
    EXPECT_LT(run.Scalar("chi").value(), 1e-9);
}

TEST(Fit, WorksOnTheArraysOfAUserFunction) {
    ExpectResults({
        {(kLine + "define(slope(a[];b[]);(q[0]=1, q[1]=1, fit(a[];b[];q[];t;q[0]*t+q[1];0;0;c), q[0])), "
                  "floor(slope(xd[];yd[])*1e6+0.5)/1e6")
             .c_str(),
         "2"},
    });
}

TEST(Fit, NothingHappensWithoutPointsOrParameters) {
    TScriptRun noPoints("p[0]=1, xd[0]=1, fit(xd[];yd[];p[];x;p[0]*x;0;0;chi)");
    EXPECT_EQ(noPoints.Run(), "0");
    EXPECT_FALSE(noPoints.Scalar("chi").has_value());
    EXPECT_FALSE(noPoints.Scalar("x").has_value());
    EXPECT_EQ(noPoints.Array("p")->at(0), 1);
    TScriptRun noParameters(kLine + "fit(xd[];yd[];p[];x;p[0]*x;0;0;chi)");
    EXPECT_EQ(noParameters.Run(), "0");
    EXPECT_FALSE(noParameters.Scalar("chi").has_value());
}

TEST(Fit, ArgumentErrors) {
    const std::string fit = "fit(xd[];yd[];p[];x;p[0]*x;lo[];hi[];chi)";
    ExpectResults({
        // Names of the other kind, named in the message.
        {(kLine + "p[0]=1, x[0]=1, " + fit).c_str(), "Error: Fit: x is an array"},
        {(kLine + "p=1, " + fit).c_str(), "Error: Fit: p is not an array"},
        {(kLine + "p[0]=1, chi[0]=1, " + fit).c_str(), "Error: Fit: chi is an array"},
        {(kLine + "p[0]=1, lo=1, " + fit).c_str(), "Error: Fit: lo is not an array"},
        {(kLine + "p[0]=1, hi=1, " + fit).c_str(), "Error: Fit: hi is not an array"},
        {("xd=1, yd[0]=1, p[0]=1, " + fit).c_str(), "Error: Fit: xd is not an array"},
        {("yd=1, xd[0]=1, p[0]=1, " + fit).c_str(), "Error: Fit: yd is not an array"},
        {(kLine + "p[1024]=1, " + fit).c_str(), "Error: Fit: Too many parameters (more than 1024)"},
        {(kLine + "p[0]=1, fit(xd[];yd[];p[];x;p[0]*x+q;0;0;chi)").c_str(), "Error: Variable q has no value"},
        {"fit(1;yd[];p[];x;p[0]*x;0;0;chi)", "Syntax: Illegal argument"},
        {"fit(xd[];yd[];p;x;p*x;0;0;chi)", "Syntax: Illegal argument"},
        {"fit(xd[];yd[];p[];x[];p[0]*x;0;0;chi)", "Syntax: Illegal argument"},
        {"fit(xd[];yd[];p[];3;p[0]*x;0;0;chi)", "Syntax: Illegal argument"},
        {"fit(xd[];yd[];p[];x;p[0]*x;0;0;c[0])", "Syntax: Illegal argument"},
    });
}

TEST(Fit, NaNInTheDataEndsWithoutACrash) {
    ExpectResults({
        {(kLine + "xd[4]=0/0, p[0]=1, p[1]=1, fit(xd[];yd[];p[];x;p[0]*x+p[1];0;0;chi)").c_str(), "0"},
    });
    TScriptRun run(kLine + "yd[4]=0/0, p[0]=1, p[1]=1, fit(xd[];yd[];p[];x;p[0]*x+p[1];0;0;chi), chi");
    EXPECT_EQ(run.Run(), "-NAN"); // chi-square of data with NaN is NaN, whatever the parameters
}

// The model has no sequence and no loop, so only the fitter itself can see the break.
TEST(Fit, ABreakEndsALongFit) {
    constexpr int kPoints = 1'000'000;
    std::vector<double> x(kPoints), y(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        x[i] = i * 1e-5;
        y[i] = 3 * std::exp(-0.7 * x[i]);
    }
    auto run = std::make_shared<TScriptRun>("p[0]=1, p[1]=2, fit(xd[];yd[];p[];x;p[0]*exp(-p[1]*x);0;0;chi)");
    run->SetArray("xd", x);
    run->SetArray("yd", y);
    std::packaged_task<std::string()> task([run] { return run->Run(); });
    std::future<std::string> outcome = task.get_future();
    std::thread calc(std::move(task));
    std::this_thread::sleep_for(100ms);
    run->Script().ci.RequestBreak();
    const auto from = std::chrono::steady_clock::now();
    if (outcome.wait_for(60s) != std::future_status::ready) {
        calc.detach();
        FAIL() << "the fit did not end";
    }
    calc.join();
    EXPECT_EQ(outcome.get(), "Error: Breaked");
    EXPECT_LT(std::chrono::steady_clock::now() - from, 5s);
}

} // namespace
