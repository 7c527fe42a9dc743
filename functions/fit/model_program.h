// TModelProgram: a fit model that is plain arithmetic, run over many points at once.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace NuvixParser {

class TArrayEntry;
class TParserAtom;
class TVarEntry;

// The fitter evaluates its model points x (parameters + 1) times per iteration. A model
// made only of numbers, the fit variable x, parameters p[k] with a constant k, other
// variables that hold numbers, + - * / ^, unary minus and the unary numeric built-ins (sin,
// exp, ...) cannot change anything while it runs, so it can be flattened into a program
// whose steps each run over a block of points, with the very operations (and so the very
// results) the parse tree's evaluation gives. Anything else (assignments, calls of user
// functions, texts, other arrays) keeps the tree.
//
// The fitter's probes change one parameter at a time. A run over the same points whose
// parameters differ from the last full run's in one place recomputes only the steps that
// read that parameter: probing the offset c of a*exp(-x/t)+c costs one addition per point,
// not an exponential.
class TModelProgram {
public:
    // A program for `model` over the variable `x` and the parameters `p` (np of them),
    // or none when the model is not plain arithmetic. Other variables are read now.
    static std::unique_ptr<TModelProgram> Compile(TParserAtom* model, const TVarEntry* x, const TArrayEntry* p,
                                                  std::int32_t np);

    // out[i] = the model at x[i] with the parameters `params`, for i < count.
    void Run(const double* x, std::int32_t count, const double* params, double* out);

private:
    enum class TOp : unsigned char { Number, X, Param, Negate, Unary, Add, Sub, Mult, Div, Power };
    struct TStep {
        explicit TStep(TOp kind, double value = 0) : op(kind), number(value) {}
        TOp op;
        double number = 0;      // Number
        std::int32_t param = 0; // Param
        double (*unary)(double) = nullptr;
        int left = -1, right = -1;   // the steps of the operands
        std::vector<std::int32_t> reads; // the parameters the step's value depends on, sorted
        bool uniform = true; // the same at every point (x not read): computed once per run
    };
    TModelProgram() = default;
    // Appends the steps of `node` after those of its operands; returns its step, or -1.
    int Add(TParserAtom* node, const TVarEntry* x, const TArrayEntry* p, std::int32_t np);
    int Append(TStep step);
    // The step's values into out: n of them, or one for a uniform step. a and b are its
    // operands' values, one value for a uniform operand.
    void Compute(const TStep& s, double* out, const double* a, const double* b, const double* x, std::int32_t n,
                 const double* params) const;
    bool Reads(int step, std::int32_t param) const;
    // The last step's values as n points.
    void Output(const double* values, std::int32_t n, double* out) const;

    std::int32_t np_ = 0;
    std::vector<TStep> steps_;
    // Per step, its values over the block of the last full run, and over a probe.
    std::vector<std::vector<double>> full_, probe_;
    const double* lastX_ = nullptr;
    std::int32_t lastCount_ = -1;
    std::vector<double> lastParams_;
};

} // namespace NuvixParser
