// TCalculator: how a calculator is put together and run.
#include "instruments/calculator.h"

#include "functions/standard_table.h"
#include "instruments/gpib_functions.h"
#include "instruments/gui_functions.h"
#include "instruments/output_functions.h"
#include "instruments/plot_functions.h"
#include "instruments/serial_functions.h"

namespace NuvixParser {

std::shared_ptr<const TFunctionRegistry> CalculatorRegistry() {
    static const std::shared_ptr<const TFunctionRegistry> registry =
        MakeRegistry({StandardFunctionTable(), OutputFunctionTable(), PlotFunctionTable(),
                      GpibFunctionTable(), SerialFunctionTable(), GuiFunctionTable()});
    return registry;
}

TCalculator::TCalculator(TRunEndListener* mainWindow, std::shared_ptr<const TFunctionRegistry> registry,
                         std::function<void()> threadEnded)
    : panelParser_(std::make_unique<TCommParser>(globals_, std::move(registry), &serialPorts_)),
      globalOwner_(panelParser_->Clone()), globalParser_(static_cast<TParser*>(globalOwner_.get())) {
    panelParser_->ShareHandler(globalParser_->Handler());
    thread_ = std::make_unique<TAutoParserThread>(*panelParser_, *globalParser_, mainWindow);
    context_.ports = &serialPorts_;
    context_.gpib = &gpib_;
    thread_->CalcInfo().context = &context_;
    // The driver is called only from the calculation thread (its status is per thread), so
    // that is where the devices go offline: after the last run, never during one.
    thread_->onTerminate = [this, ended = std::move(threadEnded)](TLargeStackThread&) {
        gpib_.End();
        if (ended) ended();
    };
    thread_->Resume();
}

TCalculator::~TCalculator() {
    thread_->PostThreadMessage(kMsgQuit);
    thread_->WaitFor();
    thread_.reset();
}

bool TCalculator::Start() {
    return Start({});
}

bool TCalculator::Start(const std::function<void()>& afterRebind) {
    if (panelParser_->HasError() || globalParser_->HasError()) return false;
    globalParser_->Rebind();
    panelParser_->Rebind();
    if (afterRebind) afterRebind();
    return thread_->StartRun();
}

void TCalculator::Break() {
    thread_->PostThreadMessage(kMsgBreakRun);
    thread_->Break();
}

} // namespace NuvixParser
