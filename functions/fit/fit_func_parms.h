// TFitFuncParms: what the fitter's callbacks need to evaluate a script model.
#pragma once

#include <cstdint>
#include <memory>

#include "functions/fit/model_program.h"

namespace NuvixParser {

class TArrayEntry;
class TCalcInfo;
class TParserAtom;
class TVarEntry;

struct TFitFuncParms {
    std::unique_ptr<double[]> params; // the fitter's parameter vector, worked on in place
    std::int32_t count = 0;           // number of parameters
    TVarEntry* xEntry = nullptr;      // the model's free variable
    TArrayEntry* pEntry = nullptr;    // the script's parameter array p[]
    TParserAtom* model = nullptr;     // the model expression
    TCalcInfo* calc = nullptr;        // the run's record
    // The model as a program over many points, when it is plain arithmetic.
    std::unique_ptr<TModelProgram> program;

    // The model callback of the fitter: stores x and the parameters into the script's
    // variables and evaluates the model's parse tree. Once the run has an error (or a
    // break was requested, which becomes the break error) it returns 0 without
    // evaluating anything.
    static double Model(double x, void* context);
    // The column model of the fitter: runs the program over `count` points (0 for every
    // point once the run has an error or a break was requested).
    static void Columns(const double* x, std::int32_t count, double* out, void* context);
    // The progress callback: false (ending the fit) once a break was requested.
    static bool Progress(void* context, std::int32_t iteration, double chiSquarePerPoint);
};

} // namespace NuvixParser
