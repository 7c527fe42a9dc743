// TGpibState: a calculator's GPIB devices: the driver, the active board and the table of
// device descriptors that script ids map to.
#pragma once

#include <array>
#include <memory>

#include "instruments/gpib_driver.h"

namespace NuvixParser {

// Owned by the calculator and shared by its parsers; used only by its calculation thread,
// so it has no lock. A device, once opened, stays open across calculations until the board
// changes or the calculator ends (End, on the calculation thread, before the driver goes).
class TGpibState {
public:
    static constexpr int kDeviceCount = 256; // script ids 0 to 255
    static constexpr int kMaxBoard = 20;

    explicit TGpibState(std::unique_ptr<TGpibDriver> driver = std::make_unique<TGpibDriver>());
    // Takes what End left open offline (nothing, when End ran), then unloads the driver.
    ~TGpibState();
    TGpibState(const TGpibState&) = delete;
    TGpibState& operator=(const TGpibState&) = delete;

    // Every GPIB function calls this first: the first call of all switches automatic serial
    // polling off on board 0, which loads the driver (a missing one leaves ERR in ibsta).
    TGpibDriver& Driver();
    int Board() const { return board_; }

    // The descriptor of device `id` (0 to 255), opened on the active board if it is not
    // yet; negative when it cannot be opened (the next call tries again).
    int Device(int id);
    // Makes `board` (0 to 20) the active board unless it already is (`requested` is the
    // value before truncation, which is what is compared): the open devices go offline,
    // the table is emptied, and automatic serial polling is switched off on the new board.
    void SelectBoard(double requested, int board);
    // Takes every open device offline and empties the table.
    void End();

private:
    void Start();

    std::unique_ptr<TGpibDriver> driver_;
    bool started_ = false;
    int board_ = 0;
    std::array<int, kDeviceCount> devices_;
};

} // namespace NuvixParser
