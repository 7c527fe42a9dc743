// TGpibState: opening devices on the active board, changing boards, the end of use.
#include "instruments/gpib_state.h"

namespace NuvixParser {
namespace {

constexpr int kClosed = -1;

} // namespace

TGpibState::TGpibState(std::unique_ptr<TGpibDriver> driver) : driver_(std::move(driver)) {
    devices_.fill(kClosed);
}

TGpibState::~TGpibState() {
    End();
}

TGpibDriver& TGpibState::Driver() {
    if (!started_) Start();
    return *driver_;
}

void TGpibState::Start() {
    started_ = true;
    driver_->Ibconfig(board_, kGpibAutoPollOption, 0);
}

int TGpibState::Device(int id) {
    TGpibDriver& driver = Driver();
    int& descriptor = devices_[static_cast<std::size_t>(id)];
    if (descriptor == kClosed) {
        // No secondary address, 3 s time-out, EOI with the last byte written, no
        // end-of-string character: a read ends with EOI (or its count).
        descriptor = driver.Ibdev(board_, id, 0, kGpibT3s, 1, 0);
        // Whatever negative value a driver gives, the next operation must try again.
        if (descriptor < 0) descriptor = kClosed;
    }
    return descriptor;
}

void TGpibState::SelectBoard(double requested, int board) {
    TGpibDriver& driver = Driver();
    if (requested == board_) return;
    End();
    board_ = board;
    driver.Ibconfig(board_, kGpibAutoPollOption, 0);
}

void TGpibState::End() {
    for (int& descriptor : devices_) {
        if (descriptor == kClosed) continue;
        driver_->Ibonl(descriptor, 0);
        descriptor = kClosed;
    }
}

} // namespace NuvixParser
