// A plot window for tests: records every call as one line of text and answers the queries
// with set numbers.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "instruments/plot_window.h"

namespace NuvixTest {

class TRecordingPlot final : public NuvixParser::TPlotWindow {
public:
    // Plot 0 1: (0, 0.5) (1, 2)
    bool Plot(NuvixParser::TPlotData data) override {
        std::string line = "Plot " + std::to_string(data.tab) + " " + std::to_string(data.curve) + ":";
        for (std::size_t i = 0; i < data.x.size(); ++i) line += " (" + Number(data.x[i]) + ", " + Number(data.y[i]) + ")";
        return Record(line);
    }
    int TabCount() override {
        calls.push_back("TabCount");
        return tabCount;
    }
    int CurveCount(int tab) override {
        calls.push_back("CurveCount " + std::to_string(tab));
        return curveCount;
    }
    bool ClearCurve(int tab, int curve) override {
        return Record("ClearCurve " + std::to_string(tab) + " " + std::to_string(curve));
    }
    bool ClearTab(int tab) override { return Record("ClearTab " + std::to_string(tab)); }
    bool ClearAll() override { return Record("ClearAll"); }
    bool SetTitle(int tab, std::string title) override {
        return Record("Title " + std::to_string(tab) + " '" + title + "'");
    }
    bool SetAxisLabels(int tab, std::string x, std::string y) override {
        return Record("Axis " + std::to_string(tab) + " '" + x + "' '" + y + "'");
    }
    bool SetCurveStyle(std::uint16_t tab, std::uint16_t curve, std::uint8_t color, bool connected,
                       std::uint8_t thickness) override {
        return Record("Style " + std::to_string(tab) + " " + std::to_string(curve) + " color " + std::to_string(color) +
                      (connected ? " connected" : " dots") + " thickness " + std::to_string(thickness));
    }
    bool SetView(int tab, double minX, double minY, double maxX, double maxY) override {
        return Record("View " + std::to_string(tab) + " " + Number(minX) + " " + Number(minY) + " " + Number(maxX) + " " +
                      Number(maxY));
    }
    bool SetAutoScale(int tab, bool x, bool y) override {
        return Record("AutoScale " + std::to_string(tab) + (x ? " x" : " -") + (y ? " y" : " -"));
    }

    bool SetLogAxes(int tab, bool x, bool y) override {
        return Record("Log " + std::to_string(tab) + (x ? " x" : " -") + (y ? " y" : " -"));
    }
    bool SetCurveName(std::uint16_t tab, std::uint16_t curve, std::string name) override {
        return Record("Name " + std::to_string(tab) + " " + std::to_string(curve) + " '" + name + "'");
    }
    // Answers the number of points appended to the curve so far.
    int Append(std::uint16_t tab, std::uint16_t curve, double x, double y) override {
        calls.push_back("Append " + std::to_string(tab) + " " + std::to_string(curve) + ": (" + Number(x) + ", " +
                        Number(y) + ")");
        return ++appended[std::uint32_t{tab} << 16 | curve];
    }

    std::vector<std::string> calls;
    std::map<std::uint32_t, int> appended;
    int tabCount = 0;
    int curveCount = 0;
    // What the posting calls answer: false stands for a queue that refused the call.
    bool queued = true;

private:
    static std::string Number(double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", v);
        return buffer;
    }
    bool Record(std::string line) {
        calls.push_back(std::move(line));
        return queued;
    }
};

} // namespace NuvixTest
