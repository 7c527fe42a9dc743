// The fit area's registration table and the help texts of fit.
#include <string>

#include <gtest/gtest.h>

#include "engine/function_registry.h"
#include "functions/fit/fit_function.h"
#include "tests/functions/help_texts.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kFitHelp[] = {
    {"fit", "fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq)",
     "Fits the function <func> to the data points (<xdata[i]>, <ydata[i]>): the parameters <p[]> are varied "
     "until ydata[i] = func(xdata[i]) holds as well as possible in the least-squares sense "
     "(Levenberg-Marquardt method). <p[]> holds the start values and receives the fitted values. <func> "
     "uses the parameters p[] and the variable <x>, for example p[0]^2+p[1]*x. Lower and upper limits of the "
     "parameters are taken from <minvals[]> and <maxvals[]>, which must have the same length as <p[]>; "
     "pass 0 for no limits. <chisq> receives the chi-square of the result. Returns -1 if the fit succeeded, "
     "0 if it failed.",
     "for(i=0;i<500;i+=1;\n xdata[i]=i/30,\n ydata[i]=3.5*(xdata[i]-4)^2+random()-0.5\n),\n"
     "p[0]=1, p[1]=-1,\n"
     "if(fit(xdata[];ydata[];p[];x;p[0]*(x-p[1])^2;0;0;chi);\n"
     " for(i=0;i<500;i+=1;model[i]=p[0]*(xdata[i]-p[1])^2),\n"
     " plotxy(0;0;xdata[];ydata[]),\n plotxy(0;1;xdata[];model[]),\n"
     " 'p[0]='+string(p[0])+' p[1]='+string(p[1])+' sigma='+string(sqrt(chi/500));\n"
     " 'Fit failed'\n)",
     "This fits a parabola to 500 noisy points, plots the points and the fitted curve, and returns the "
     "fitted parameters and the standard deviation of the points from the curve."},
};

TEST(FitHelp, EveryFunctionShowsItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::FitFunctionTable(), kFitHelp);
}

TEST(FitHelp, TheStandardTableRegistersTheWholeArea) {
    const auto standard = NuvixParser::StandardFunctionTable();
    for (const auto& e : NuvixParser::FitFunctionTable()) {
        int found = 0;
        for (const auto& s : standard) found += std::string(s.name) == e.name && s.factory == e.factory;
        EXPECT_EQ(found, 1) << e.name;
    }
}

} // namespace
