// TCalculator: one calculator assembled: parsers, shared user functions, calculation thread
// and the windows its runs reach.
#pragma once

#include <functional>
#include <memory>

#include "engine/auto_parser_thread.h"
#include "engine/function_registry.h"
#include "engine/var_handler.h"
#include "instruments/comm_parser.h"
#include "instruments/gpib_state.h"
#include "instruments/run_context.h"
#include "instruments/serial_ports.h"

namespace NuvixParser {

// Every function a calculator offers, in registration order: the standard library, text
// output, plots, GPIB devices, serial ports and the control panels. Built once and shared.
std::shared_ptr<const TFunctionRegistry> CalculatorRegistry();

// Owned by whoever runs calculations (the main window, the command-line runner). The
// Global panel's parser is a clone of the panel parser and both share one table of user
// functions, so what the Global panel defines is callable from every panel. One run is
// the Global program, then (if that ended without an error) the panel's.
//
//   main thread                         calculation thread
//   Start() -- kMsgStartRun ----------> global run, panel run
//     (windows' calls are handled  <--- print, plot, panel calls
//      on the main thread)         <--- mainWindow->RunEnded(result)
//   Break() -- break flag and event --> loops and waits end with "Breaked"
class TCalculator {
public:
    // The thread is running when the constructor returns. `threadEnded` is called on the
    // calculation thread when its loop ends, also when this calculator ends it, after the
    // GPIB devices went offline there.
    explicit TCalculator(TRunEndListener* mainWindow,
                         std::shared_ptr<const TFunctionRegistry> registry = CalculatorRegistry(),
                         std::function<void()> threadEnded = {});
    // Asks the thread to quit and waits for it; a run must not be active.
    ~TCalculator();
    TCalculator(const TCalculator&) = delete;
    TCalculator& operator=(const TCalculator&) = delete;

    TParser& GlobalParser() { return *globalParser_; }
    TParser& PanelParser() { return *panelParser_; }

    // The windows the runs reach; change them only between runs. The serial ports and
    // GPIB devices are always the calculator's own, whatever `windows` holds.
    void SetWindows(const TRunContext& windows) {
        context_ = windows;
        context_.ports = &serialPorts_;
        context_.gpib = &gpib_;
    }
    const TRunContext& Windows() const { return context_; }

    // Rebinds both parsers to fresh variables and starts a run of their compiled programs;
    // false (nothing started) when the last compile of either failed.
    bool Start();
    // Start with `afterRebind` called on this thread between the rebinding and the run:
    // the runner's interactive session gives the entries of a new line the values that
    // earlier lines left.
    bool Start(const std::function<void()>& afterRebind);
    // Safe while a run is active: the run ends with "Breaked" at its next check.
    void Break();

    // The last run's record and result, for the main thread once the end was reported.
    const TCalcInfo& CalcInfo() { return thread_->CalcInfo(); }
    const TReturnValue& Result() const { return thread_->Result(); }

private:
    TGlobalVarList globals_;
    TSerialPorts serialPorts_; // shared by both parsers; outlives them
    // Outlives the thread, whose end takes the devices offline: the driver is unloaded
    // only after that.
    TGpibState gpib_;
    std::unique_ptr<TParser> panelParser_;
    std::unique_ptr<TParserBase> globalOwner_; // the clone, a TCommParser like the panel parser
    TParser* globalParser_ = nullptr;
    TRunContext context_;
    std::unique_ptr<TAutoParserThread> thread_; // last: ends before the parsers go
};

} // namespace NuvixParser
