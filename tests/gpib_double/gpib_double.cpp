// A stand-in for a GPIB driver library, built by the tests: it records every call with its
// arguments and answers with the results a test scripted. Built in variants (see
// gpib_double.cmake) that differ in how they publish their status or lack an entry point.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/gpib_double/gpib_double.h"

namespace {

constexpr int kEnd = 0x2000;
constexpr int kCmpl = 0x0100;
constexpr int kFirstDescriptor = 16;

struct TScripted {
    int result;
    int sta;
    int err;
    long cntl;
    std::string bytes;
};

struct TDouble {
    std::deque<TScripted> script;
    std::vector<std::string> calls;
    std::vector<std::size_t> callThreads;
    int nextDescriptor = kFirstDescriptor;
    int sta = 0;
    int err = 0;
    long cntl = 0;
};

TDouble& State() {
    static TDouble state;
    return state;
}

// How the variant publishes the status of the last call: GPIB_DOUBLE_STATUS is 1 for the
// thread functions of the Linux GPIB package, 2 for its exported variables, 3 for the
// vendor library's functions, 0 for none at all.
#if GPIB_DOUBLE_STATUS == 2
extern "C" {
volatile int ibsta;
volatile int iberr;
volatile long ibcntl;
}
void PublishStatus(int sta, int err, long cntl) {
    ibsta = sta;
    iberr = err;
    ibcntl = cntl;
}
#else
void PublishStatus(int, int, long) {}
#endif

std::string Escaped(const void* buffer, long count) {
    std::string out = "'";
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    for (long i = 0; i < count; ++i) {
        if (bytes[i] >= 0x20 && bytes[i] < 0x7F && bytes[i] != '\\') {
            out += static_cast<char>(bytes[i]);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", bytes[i]);
            out += hex;
        }
    }
    return out + "'";
}

void Record(const char* name, const std::vector<std::string>& args) {
    std::string call = std::string(name) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) call += (i ? "," : "") + args[i];
    State().calls.push_back(call + ")");
    State().callThreads.push_back(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

// The next scripted answer, or `fallback` when none is left; publishes its status.
TScripted Answer(const TScripted& fallback) {
    TDouble& d = State();
    TScripted answer = fallback;
    if (!d.script.empty()) {
        answer = d.script.front();
        d.script.pop_front();
    }
    d.sta = answer.sta;
    d.err = answer.err;
    d.cntl = answer.cntl;
    PublishStatus(d.sta, d.err, d.cntl);
    return answer;
}

using std::to_string;

} // namespace

extern "C" {

void GpibDoubleReset() {
    State() = TDouble{};
    PublishStatus(0, 0, 0);
}

void GpibDoubleScript(int result, int sta, int err, long cntl, const char* bytes, long size) {
    State().script.push_back({result, sta, err, cntl, std::string(bytes ? bytes : "", bytes ? size : 0)});
}

int GpibDoubleCallCount() {
    return static_cast<int>(State().calls.size());
}

const char* GpibDoubleCall(int i) {
    return State().calls.at(static_cast<std::size_t>(i)).c_str();
}

std::size_t GpibDoubleCallThread(int i) {
    return State().callThreads.at(static_cast<std::size_t>(i));
}

int ibconfig(int ud, int option, int value) {
    Record("ibconfig", {to_string(ud), to_string(option), to_string(value)});
    return Answer({kCmpl, kCmpl, 0, 0, {}}).result;
}

int ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
    Record("ibdev", {to_string(board), to_string(pad), to_string(sad), to_string(tmo), to_string(eot),
                     to_string(eos)});
    // Only an unscripted open takes the next descriptor.
    const int descriptor = State().script.empty() ? State().nextDescriptor++ : -1;
    return Answer({descriptor, kCmpl, 0, 0, {}}).result;
}

int ibonl(int ud, int online) {
    Record("ibonl", {to_string(ud), to_string(online)});
    return Answer({kCmpl, kCmpl, 0, 0, {}}).result;
}

int ibwrt(int ud, const void* buffer, long count) {
    Record("ibwrt", {to_string(ud), Escaped(buffer, count), to_string(count)});
    return Answer({kCmpl, kCmpl, 0, count, {}}).result;
}

#ifndef GPIB_DOUBLE_WITHOUT_IBRD
// Copies the scripted bytes, as many as the buffer takes; the count it reports is the
// scripted one, which may say more.
int ibrd(int ud, void* buffer, long count) {
    Record("ibrd", {to_string(ud), to_string(count)});
    const TScripted answer = Answer({kCmpl | kEnd, kCmpl | kEnd, 0, 0, {}});
    const long n = std::min(count, static_cast<long>(answer.bytes.size()));
    if (n > 0) std::copy(answer.bytes.begin(), answer.bytes.begin() + n, static_cast<char*>(buffer));
    return answer.result;
}
#endif

#if GPIB_DOUBLE_STATUS == 1
int ThreadIbsta() { return State().sta; }
int ThreadIberr() { return State().err; }
long ThreadIbcntl() { return State().cntl; }
#elif GPIB_DOUBLE_STATUS == 3
// As NI-488.2 exports them: the full count from Ibcnt, no Ibcntl.
int Ibsta() { return State().sta; }
int Iberr() { return State().err; }
long Ibcnt() { return State().cntl; }
#endif

#ifndef GPIB_DOUBLE_WITHOUT_IBTMO
int ibtmo(int ud, int code) {
    Record("ibtmo", {to_string(ud), to_string(code)});
    return Answer({kCmpl, kCmpl, 0, 0, {}}).result;
}
#endif

} // extern "C"
