// The entry functions of the fuzz targets, shared by the libFuzzer programs and the
// regression test that replays their saved inputs with the normal compiler.
#pragma once

#include <cstddef>
#include <cstdint>

namespace NuvixFuzz {

// Any bytes as a script: compiled (with syntax marks); when it compiles, rebound and run
// under a time budget, with the file, process and sleep functions replaced by stubs.
void FuzzParser(const std::uint8_t* data, std::size_t size);
// SplitMacroText on any bytes, and the JoinMacroText/SplitMacroText round trip.
void FuzzMacroFile(const std::uint8_t* data, std::size_t size);
// The readmatrix reader (MeasureMatrix, FillMatrix) and the written form read back.
void FuzzMatrixFile(const std::uint8_t* data, std::size_t size);
// TRegexp: the input splits into a start position byte, a pattern and a text.
void FuzzRegexp(const std::uint8_t* data, std::size_t size);
// The same input: TRegexp::Find (the automaton) and the backtracker find the same match.
void FuzzRegexpAutomaton(const std::uint8_t* data, std::size_t size);
// TextToNumber, FormatNumber and DoubleToInt32 against references and round trips.
void FuzzConversions(const std::uint8_t* data, std::size_t size);
// Axis scaling, layout and painting of a plot with any ranges, size and points.
void FuzzPlotDrawing(const std::uint8_t* data, std::size_t size);
// ParseCommSettings on any bytes: accepted settings are sound and case does not matter.
void FuzzCommSettings(const std::uint8_t* data, std::size_t size);
// ParsePortAddress on any bytes: refusals give a reason, accepted addresses read back the same.
void FuzzPortAddress(const std::uint8_t* data, std::size_t size);
// The CSV reader and the GUI file loader; what they read is written and read back.
void FuzzGuiFile(const std::uint8_t* data, std::size_t size);
// The GPIB functions over a driver double that reports random results, status words,
// counts and bytes: no read past a buffer, results in range.
void FuzzGpibDriver(const std::uint8_t* data, std::size_t size);

} // namespace NuvixFuzz
