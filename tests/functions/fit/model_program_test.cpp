// TModelProgram: the same values as the parse tree, probes that recompute only what they
// must, and the models it leaves to the tree.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/operands.h"
#include "engine/var_entry.h"
#include "functions/fit/model_program.h"
#include "tests/engine/test_support.h"

namespace {

using namespace NuvixParser;

// A model compiled by itself, with x, p[] (np parameters) and c = 2 bound and set.
struct TModel {
    NuvixTest::TScript script;
    TVarEntry* x = nullptr;
    TArrayEntry* p = nullptr;
    std::int32_t np;

    TModel(const char* text, std::int32_t parameters) : script(text), np(parameters) {
        EXPECT_TRUE(script.Compile()) << text;
        script.parser.Rebind();
        x = script.parser.Store().GetScalar("x");
        p = script.parser.Store().GetArray("p");
        if (TVarEntry* c = script.parser.Store().GetScalar("c")) c->SetNumber(2);
        for (std::int32_t j = 0; j < np; ++j) p->SetElement(j, 0);
    }
    std::unique_ptr<TModelProgram> Program() { return TModelProgram::Compile(script.parser.Tree(), x, p, np); }
    // The tree's value at every point, as the fitter's point-by-point model reads it.
    std::vector<double> TreeValues(const std::vector<double>& xs, const std::vector<double>& params) {
        std::copy(params.begin(), params.end(), p->Data());
        std::vector<double> out;
        for (double xi : xs) {
            x->SetNumber(xi);
            out.push_back(NumberOf(script.parser.Tree(), script.ci));
        }
        return out;
    }
};

// Bit for bit, NaN included.
void ExpectSameBits(const std::vector<double>& a, const std::vector<double>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(std::memcmp(&a[i], &b[i], sizeof(double)), 0) << "point " << i << ": " << a[i] << " vs " << b[i];
}

TEST(ModelProgram, GivesTheTreesValuesAlsoForProbes) {
    const struct {
        const char* model;
        std::int32_t np;
    } kModels[] = {
        {"p[0]*exp(-x/p[1])+p[2]", 3},
        {"p[0]/(1+((x-p[1])/p[2])^2)+p[3]", 4},
        {"p[0]*exp(0-0.5*((x-p[1])/p[2])^2)+p[3]+p[4]*x", 5},
        {"-x^2+sin(x)*c-p[0]", 1},
        {"p[1]-p[0]*c", 2}, // the same at every point
        {"x", 1},
        {"3", 1},
        {"log(x-p[0])/tan(p[1]*x)", 2}, // NaN and infinities where the domains end
    };
    std::vector<double> xs;
    for (int i = 0; i < 300; ++i) xs.push_back(-3 + i * 0.037);
    for (const auto& m : kModels) {
        SCOPED_TRACE(m.model);
        TModel model(m.model, m.np);
        auto program = model.Program();
        ASSERT_NE(program, nullptr);
        std::vector<double> params;
        for (std::int32_t j = 0; j < m.np; ++j) params.push_back(0.7 + 0.3 * j);
        std::vector<double> out(xs.size());
        program->Run(xs.data(), static_cast<std::int32_t>(xs.size()), params.data(), out.data());
        ExpectSameBits(out, model.TreeValues(xs, params));
        // A probe of each parameter in turn, after a full run over the same points.
        for (std::int32_t j = 0; j < m.np; ++j) {
            program->Run(xs.data(), static_cast<std::int32_t>(xs.size()), params.data(), out.data());
            std::vector<double> probe = params;
            probe[j] *= 1.001;
            program->Run(xs.data(), static_cast<std::int32_t>(xs.size()), probe.data(), out.data());
            ExpectSameBits(out, model.TreeValues(xs, probe));
        }
        // Two parameters changed at once: a full run again.
        if (m.np >= 2) {
            std::vector<double> both = params;
            both[0] += 1, both[1] += 1;
            program->Run(xs.data(), static_cast<std::int32_t>(xs.size()), both.data(), out.data());
            ExpectSameBits(out, model.TreeValues(xs, both));
        }
    }
}

TEST(ModelProgram, LeavesEverythingButPlainArithmeticToTheTree) {
    for (const char* text : {
             "p[0]*x+q[0]",          // another array
             "p[3]*x",               // a parameter that does not exist
             "p[0.5]*x",             // an index that is no whole number
             "p[i]*x",               // an index that is not a number
             "x=2, p[0]*x",          // assignments and sequences
             "if(x>0;p[0];x)",       // other functions
             "p[0]*x+'a'",           // texts
             "p[0]*unset",           // a variable without a value
             "(x>1)*p[0]",           // comparisons
         }) {
        SCOPED_TRACE(text);
        TModel model(text, 1);
        EXPECT_EQ(model.Program(), nullptr);
    }
}

} // namespace
