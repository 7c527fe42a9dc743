// TRunContext: the windows, ports and GPIB devices a calculator's runs reach, carried by the run record.
#pragma once

#include "engine/calc_info.h"

namespace NuvixParser {

class TGpibState;
class TPanelHost;
class TPlotWindow;
class TSerialPorts;
class TTextOutput;

// Set by the calculator between runs and only read during one; a window that is none
// makes its functions do nothing.
struct TRunContext {
    TTextOutput* output = nullptr;
    TPlotWindow* plot = nullptr;
    TPanelHost* panels = nullptr;
    // The calculator's serial port table; none: no port can be opened.
    TSerialPorts* ports = nullptr;
    // The calculator's GPIB devices; none: no device can be opened and no driver is called.
    TGpibState* gpib = nullptr;
};

inline TTextOutput* TextOutputOf(const TCalcInfo& ci) {
    return ci.context ? ci.context->output : nullptr;
}
inline TPlotWindow* PlotWindowOf(const TCalcInfo& ci) {
    return ci.context ? ci.context->plot : nullptr;
}
inline TPanelHost* PanelHostOf(const TCalcInfo& ci) {
    return ci.context ? ci.context->panels : nullptr;
}
inline TSerialPorts* SerialPortsOf(const TCalcInfo& ci) {
    return ci.context ? ci.context->ports : nullptr;
}

inline TGpibState* GpibStateOf(const TCalcInfo& ci) {
    return ci.context ? ci.context->gpib : nullptr;
}

} // namespace NuvixParser
