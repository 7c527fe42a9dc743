// TCommHandler: opening a port by its address, and reads and writes timed in slices that watch the break flag.
#include "instruments/comm_handler.h"

#include <algorithm>
#include <iostream>

#include "engine/calc_info.h"
#include "functions/files/sigpipe_block.h"
#include "instruments/comm_settings.h"
#include "instruments/port_address.h"

namespace NuvixParser {
namespace {

// How much one read from the device takes at most.
constexpr std::size_t kChunkBytes = 64 * 1024;

// The next slice: up to the time left before `deadline`, `longest` at most.
int Slice(std::optional<TCommHandler::TClock::time_point> deadline, int longest) {
    if (!deadline) return longest;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - TCommHandler::TClock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, longest));
}

bool Passed(const std::optional<TCommHandler::TClock::time_point>& deadline) {
    return deadline && TCommHandler::TClock::now() >= *deadline;
}

} // namespace

TCommHandler::TCommHandler(std::string address, std::string_view settings, std::int32_t timeoutMs)
    : devicePath_(std::move(address)),
      settingsText_(settings),
      intervalMs_(timeoutMs > 0 ? timeoutMs / 10 : 0),
      totalMs_(timeoutMs > 0 ? timeoutMs : 0) {}

TCommHandler::TCommHandler(std::unique_ptr<TCommTransport> transport, std::int32_t timeoutMs)
    : intervalMs_(timeoutMs > 0 ? timeoutMs / 10 : 0),
      totalMs_(timeoutMs > 0 ? timeoutMs : 0),
      transport_(std::move(transport)) {}

bool TCommHandler::Open() {
    if (IsOpen()) return true;
    std::string error;
    const std::optional<TPortAddress> address = ParsePortAddress(devicePath_, error);
    if (!address) {
        openError_ = "malformed port address '" + devicePath_ + "': " + error;
        std::cerr << "commopen: " << openError_ << "\n";
        return false;
    }
    const std::optional<TCommSettings> settings = address->kind == TPortKind::Terminal
                                                      ? ParseCommSettings(settingsText_)
                                                      : ParseLinkSettings(settingsText_);
    if (!settings) {
        openError_ = "bad settings '" + settingsText_ + "'";
        return false;
    }
    transport_ = OpenTransport(*address, *settings, openError_);
    if (!transport_) return false;
    openError_.clear();
    input_.clear();
    inputPos_ = 0;
    return true;
}

void TCommHandler::Close() {
    transport_.reset();
    input_.clear();
    inputPos_ = 0;
}

TCommEnd TCommHandler::Write(std::string_view bytes, const TCalcInfo& ci) {
    if (!IsOpen()) return TCommEnd::Failed;
    // A terminal reports a vanished device with EIO, a socket with EPIPE, which would
    // otherwise end the program with SIGPIPE.
    TSigpipeBlock sigpipeBlock;
    while (!bytes.empty()) {
        const std::ptrdiff_t n = transport_->Write(bytes, transport_->LongestWaitMs());
        if (n < 0) return TCommEnd::Failed;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        // The output buffer is full (flow control holds it): writes never time out.
        if (n == 0 && ci.BreakRequested()) return TCommEnd::Breaked;
    }
    return TCommEnd::Done;
}

TCommEnd TCommHandler::Fill(TDeadline deadline, const TCalcInfo& ci) {
    for (;;) {
        if (ci.BreakRequested()) return TCommEnd::Breaked;
        if (Passed(deadline)) return TCommEnd::TimedOut;
        if (inputPos_ == input_.size()) {
            input_.clear();
            inputPos_ = 0;
        }
        const std::size_t before = input_.size();
        input_.resize(before + kChunkBytes);
        const std::ptrdiff_t n = transport_->Read(input_.data() + before, kChunkBytes, Slice(deadline, transport_->LongestWaitMs()));
        input_.resize(before + static_cast<std::size_t>(std::max<std::ptrdiff_t>(n, 0)));
        if (n > 0) return TCommEnd::Done;
        if (n < 0) return TCommEnd::Failed; // the device failed or the other side hung up
    }
}

TCommHandler::TDeadline TCommHandler::After(int ms) const {
    if (ms <= 0) return std::nullopt;
    return TClock::now() + std::chrono::milliseconds(ms);
}

TCommRead TCommHandler::ReadCounted(std::size_t count, const TCalcInfo& ci) {
    TCommRead read{{}, TCommEnd::Done};
    if (!IsOpen()) {
        read.end = TCommEnd::Failed;
        return read;
    }
    count = std::min(count, kMaxReadBytes);
    const TDeadline total = After(totalMs_);
    TDeadline interval; // starts with the first byte
    while (read.bytes.size() < count) {
        if (Pending() > 0) {
            const std::size_t take = std::min(Pending(), count - read.bytes.size());
            read.bytes.append(input_, inputPos_, take);
            inputPos_ += take;
            interval = After(intervalMs_);
            continue;
        }
        TDeadline until = total;
        if (interval && (!until || *interval < *until)) until = interval;
        read.end = Fill(until, ci);
        if (read.end != TCommEnd::Done) return read;
    }
    return read;
}

TCommEnd TCommHandler::ReadLine(std::string& line, const TCalcInfo& ci) {
    line.clear();
    if (!IsOpen() || terminator_.empty()) return TCommEnd::Failed;
    for (;;) {
        while (Pending() > 0) {
            line += input_[inputPos_++];
            // The terminator can only be complete at the end: the line is checked after
            // every byte.
            if (line.size() >= terminator_.size() &&
                line.compare(line.size() - terminator_.size(), terminator_.size(), terminator_) == 0) {
                line.resize(line.size() - terminator_.size());
                return TCommEnd::Done;
            }
        }
        // Each byte is waited for as a read of its own: the full time-out every time.
        if (const TCommEnd end = Fill(After(totalMs_), ci); end != TCommEnd::Done) return end;
    }
}

} // namespace NuvixParser
