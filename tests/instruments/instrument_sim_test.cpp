// The simulated instrument: its file, command matching, answers computed by scripts, and a
// calculator script talking to it over a pseudo-terminal.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

#include "instruments/serial_ports.h"
#include "instruments/sim/instrument_file.h"
#include "instruments/sim/instrument_sim.h"
#include "tests/instruments/pty_pair.h"
#include "tests/instruments/recording_output.h"

namespace {

using namespace NuvixParser;
using namespace std::chrono_literals;

TInstrumentFile Read(const char* text) {
    TInstrumentFile file;
    std::string error;
    EXPECT_TRUE(ReadInstrumentFile(text, file, error)) << error;
    return file;
}

TEST(InstrumentFile, SettingsAndRules) {
    const TInstrumentFile f = Read(
        "# a comment\n"
        "terminator: \\r\\n\n"
        "answer-terminator: \\x03\n"
        "echo: on\n"
        "init: $a = 1\n"
        "init: $b = 2\n"
        "*IDN? => 'X'\n"
        "delay: 25\n"
        "  SET {} =>   \n"
        "GET => $a\n");
    EXPECT_EQ(f.terminator, "\r\n");
    EXPECT_EQ(f.answerTerminator, "\x03");
    EXPECT_TRUE(f.echo);
    EXPECT_EQ(f.init, (std::vector<std::string>{"$a = 1", "$b = 2"}));
    ASSERT_EQ(f.rules.size(), 3u);
    EXPECT_EQ(f.rules[0].pattern, "*IDN?");
    EXPECT_EQ(f.rules[0].delayMs, 0);
    EXPECT_EQ(f.rules[1].pattern, "SET {}");
    EXPECT_EQ(f.rules[1].response, "");
    EXPECT_EQ(f.rules[1].delayMs, 25);
    EXPECT_EQ(f.rules[2].delayMs, 25);
}

// The same file with the line ends of any system reads alike, and a refused line is named
// by the number an editor shows for it.
TEST(InstrumentFile, LinesEndInLfCrLfOrCr) {
    const std::string lines[] = {"# multimeter", "terminator: \\n", "", "init: $v = 1", "*IDN? => 'X'", "V? => $v"};
    const struct {
        const char* name;
        std::vector<std::string> ends; // after each line; the last one may be empty
    } cases[] = {
        {"LF", {"\n", "\n", "\n", "\n", "\n", "\n"}},
        {"CR LF", {"\r\n", "\r\n", "\r\n", "\r\n", "\r\n", "\r\n"}},
        {"lone CR", {"\r", "\r", "\r", "\r", "\r", "\r"}},
        {"mixed", {"\n", "\r\n", "\r", "\n", "\r", "\r\n"}},
        {"last line without a line end", {"\n", "\n", "\n", "\n", "\n", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        for (std::size_t i = 0; i < std::size(lines); ++i) text += lines[i] + c.ends[i];
        const TInstrumentFile f = Read(text.c_str());
        EXPECT_EQ(f.terminator, "\n");
        EXPECT_EQ(f.init, (std::vector<std::string>{"$v = 1"}));
        ASSERT_EQ(f.rules.size(), 2u);
        EXPECT_EQ(f.rules[0].pattern, "*IDN?");
        EXPECT_EQ(f.rules[0].response, "'X'");
        EXPECT_EQ(f.rules[1].pattern, "V?");
        EXPECT_EQ(f.rules[1].response, "$v");

        TInstrumentFile refused;
        std::string error;
        EXPECT_FALSE(ReadInstrumentFile(text + (c.ends.back().empty() ? c.ends[0] : "") + "colour: red", refused, error));
        EXPECT_EQ(error.rfind("line 7: ", 0), 0u) << error;
    }
}

TEST(InstrumentFile, RefusedLinesNameTheirLine) {
    const char* cases[] = {
        "echo: maybe", "terminator:", "delay: -5", "delay: soon", "colour: red", "just words", "A {} B {} => 1",
        " => 'no pattern'",
    };
    for (const char* text : cases) {
        TInstrumentFile f;
        std::string error;
        EXPECT_FALSE(ReadInstrumentFile(std::string("# first\n") + text, f, error)) << text;
        EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
    }
}

TEST(InstrumentFile, CommandMatching) {
    struct TCase {
        const char* pattern;
        const char* command;
        bool matches;
        const char* arg;
    };
    const TCase cases[] = {
        {"*IDN?", "*idn?", true, ""},      {"*IDN?", "*IDN", false, ""},
        {"MA {}", "MA 200", true, "200"},  {"MA {}", "ma -5.5", true, "-5.5"},
        {"MA {}", "MA", false, ""},        {"MA {}", "MR 1", false, ""},
        {"{}?", "FOO?", true, "FOO"},      {"{}?", "FOO", false, ""},
        {"SET {} NOW", "set 3 now", true, "3"}, {"{}", "", true, ""},
    };
    for (const TCase& c : cases) {
        std::string arg = "stale";
        EXPECT_EQ(MatchCommand(c.pattern, c.command, arg), c.matches) << c.pattern << " / " << c.command;
        if (c.matches) {
            EXPECT_EQ(arg, c.arg) << c.pattern << " / " << c.command;
        }
    }
}

TEST(InstrumentSim, AnswersFromScriptsWithSharedState) {
    TInstrumentSim sim(Read("terminator: \\n\n"
                            "answer-terminator: \\r\n"
                            "init: $pos = 10\n"
                            "MR {} => $pos += $arg*1, 'OK'\n"
                            "POS? => $pos\n"
                            "SILENT {} => $pos = $arg*1, ''\n"
                            "QUIET =>\n"
                            "BAD => undefinedvariable\n"
                            "ECHO {} => $cmd + '|' + $arg\n"));
    std::string error;
    ASSERT_TRUE(sim.Start(error)) << error;
    // Commands arrive in pieces; one piece may complete several.
    EXPECT_TRUE(sim.Receive("MR ").empty());
    auto answers = sim.Receive("5\nPOS?\nNOPE\nQUIET\n");
    ASSERT_EQ(answers.size(), 3u); // NOPE matches no rule: no answer at all
    EXPECT_EQ(answers[0].bytes, "OK\r");
    EXPECT_EQ(answers[1].bytes, "15\r");
    EXPECT_EQ(answers[2].bytes, ""); // QUIET: matched, nothing sent
    EXPECT_EQ(sim.Answer("SILENT 3")->bytes, "");
    EXPECT_EQ(sim.Answer("pos?")->bytes, "3\r");
    EXPECT_EQ(sim.Answer("BAD")->bytes, "ERROR: Variable undefinedvariable has no value\r");
    EXPECT_EQ(sim.Answer("echo a b")->bytes, "echo a b|a b\r");
}

TEST(InstrumentSim, EchoAndStartErrors) {
    TInstrumentSim echoing(Read("echo: on\nterminator: ;\nX => 1\n"));
    std::string error;
    ASSERT_TRUE(echoing.Start(error));
    const auto answers = echoing.Receive("X;");
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0].bytes, "X;");
    EXPECT_EQ(answers[1].bytes, "1\r\n");

    TInstrumentSim badResponse(Read("X => 1+\n"));
    EXPECT_FALSE(badResponse.Start(error));
    EXPECT_NE(error.find("'X'"), std::string::npos) << error;
    TInstrumentSim badInit(Read("init: $a = nothing\nX => 1\n"));
    EXPECT_FALSE(badInit.Start(error));
    EXPECT_NE(error.find("nothing"), std::string::npos) << error;
}

// The shipped multimeter on the instrument side of a pseudo-terminal, a calculator script
// on the other: the example files work and the functions talk to them.
TEST(InstrumentSim, AScriptTalksToTheExampleMultimeter) {
    std::ifstream in(VARNEX_INSTRUMENT_EXAMPLES "/multimeter.instrument");
    ASSERT_TRUE(in);
    std::ostringstream text;
    text << in.rdbuf();
    TInstrumentFile file;
    std::string error;
    ASSERT_TRUE(ReadInstrumentFile(text.str(), file, error)) << error;
    TInstrumentSim sim(std::move(file));
    ASSERT_TRUE(sim.Start(error)) << error;

    TGlobalVarList globals;
    TSerialPorts ports;
    TCommParser parser(globals, CalculatorRegistry(), &ports);
    parser.SetText("commopen(2;'115200,n,8,1';1000), commlineterm(2;chr(13)+chr(10)),\n"
                   "commwrite(2;'*IDN?'+chr(10)), println(commreadln(2)),\n"
                   "commwrite(2;'CONF:VOLT:DC 100'+chr(10)), commwrite(2;'CONF?'+chr(10)), println(commreadln(2)),\n"
                   "sum = 0, for(i = 0; i < 20; i += 1; commwrite(2;'MEAS:VOLT?'+chr(10)), sum += number(commreadln(2))),\n"
                   "commwrite(2;'READ:COUNT?'+chr(10)), println(commreadln(2)),\n"
                   "abs(sum / 20 - 1.2) < 1e-4");
    ASSERT_TRUE(parser.Compile()) << parser.ErrorMessage();
    parser.Rebind();
    NuvixTest::TPtyPair pty;
    std::atomic<bool> stop{false};
    std::thread instrument([&] {
        char buf[256];
        while (!stop) {
            pollfd p{pty.InstrumentFd(), POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN)) continue;
            const ssize_t n = ::read(pty.InstrumentFd(), buf, sizeof buf);
            if (n <= 0) {
                std::this_thread::sleep_for(2ms); // nobody has the terminal open yet
                continue;
            }
            for (const auto& answer : sim.Receive(std::string_view(buf, static_cast<std::size_t>(n))))
                pty.Send(answer.bytes);
        }
    });
    NuvixTest::TScopedEnv com3("VARNEX_COM3", pty.Path());
    NuvixTest::TRecordingOutput output;
    TRunContext context{&output, nullptr, nullptr, &ports};
    TCalcInfo ci;
    ci.context = &context;
    ci.Reset();
    const TReturnValue result = parser.Calculate(ci);
    stop = true;
    instrument.join();
    EXPECT_FALSE(ci.error) << ci.errorMessage;
    EXPECT_EQ(result.ToString(), "1");
    std::vector<std::string> lines;
    for (const auto& c : output.calls) lines.push_back(c.text);
    EXPECT_EQ(lines, (std::vector<std::string>{"VARNEX,DMM-4050,SIM0001,1.0", "VOLT:DC 100", "20"}));
}

TEST(InstrumentSim, TheStepperExampleStarts) {
    std::ifstream in(VARNEX_INSTRUMENT_EXAMPLES "/stepper.instrument");
    std::ostringstream text;
    text << in.rdbuf();
    TInstrumentFile file;
    std::string error;
    ASSERT_TRUE(ReadInstrumentFile(text.str(), file, error)) << error;
    TInstrumentSim sim(std::move(file));
    ASSERT_TRUE(sim.Start(error)) << error;
    EXPECT_EQ(sim.Answer("MA 200")->bytes, "OK\r");
    EXPECT_EQ(sim.Answer("MR -50")->bytes, "OK\r");
    EXPECT_EQ(sim.Answer("POS?")->bytes, "150\r");
    EXPECT_EQ(sim.Answer("BUSY?")->bytes, "1\r");
    EXPECT_EQ(sim.Answer("STOP")->delayMs, 50);
    EXPECT_EQ(sim.Answer("BUSY?")->bytes, "0\r");
}

} // namespace
