// Serial ports: commopen, commclose, commwrite, commreadln, commread, commlineterm,
// commreadbin and commwritebin, over the port table of the run's calculator.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// Port numbers and counts are truncated toward zero. Bad arguments (port numbers, a port
// not open, counts, non-arrays) are script errors; a device that fails is a result, not an
// error. A run without a port table (no calculator) can open no port.

// 1 when the port was opened, else 0. Reopening an open port closes it first; a failed
// open leaves it closed.
class TOpenComm final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "portno,desc,timeout"; }
    const char* Description() const override {
        return "Opens serial port number <portno> using communication parameters <desc> and a read timeout of "
               "<timeout> milliseconds. <desc> is a string in the format:\n'baud=xxxx parity=x stop=x data=x'\nThe "
               "first serial port has the port number 0. The port is automatically closed when the execution in "
               "the calculator terminates. It also can be reopened without closing it to change for example the "
               "baud rate etc.";
    }
    const char* Example() const override {
        return "commopen(0;'baud=9600 parity=N stop=1 data=8';3000),\ncommwrite(0;'hello')";
    }
    const char* ExampleExplanation() const override { return "This opens serial port 1 and writes 'hello' to it."; }
    const char* SeeAlso() const override { return "commclose(portno)"; }
};

// 0; closing a port that is not open is no error.
class TCloseComm final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "portno"; }
    const char* Description() const override {
        return "This closes serial port number <portno> if it has been opened before. ";
    }
    const char* SeeAlso() const override { return "commopen(portno;descr;timeout)"; }
};

// 0, also when the write failed. The text is written up to its first zero byte.
class TWriteComm final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "portno;s"; }
    const char* Description() const override {
        return "This writes the string <s> to serial port number <portno>. The port must have been opened before "
               "using the commopen() function.";
    }
    const char* SeeAlso() const override {
        return "commopen(portno;descr;timeout),commread(portno;count),commreadln(portno)";
    }
};

// The line without its terminator (up to its first zero byte), or the number 0 when no
// complete line arrived in time.
class TReadComm final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "portno"; }
    const char* Description() const override {
        return "This reads a line from serial port number <portno> and returns it as a text string. The port must "
               "have been opened before using the commopen() function. Per default the line is ended when a "
               "carriage return character is read. This can be changed by using the commlineterm() function.";
    }
    const char* SeeAlso() const override {
        return "commopen(portno;descr;timeout),commread(portno;count),commlineterm(portno;s)";
    }
};

// The bytes that arrived (up to the first zero byte), possibly none.
class TReadCommCnt final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "portno;count"; }
    const char* Description() const override {
        return "This reads <count> bytes from serial port number <portno> and returns it as a text string. ";
    }
    const char* SeeAlso() const override { return "commopen(portno;descr;timeout),commreadln(portno)"; }
};

// 1. The next commopen of the port brings the carriage return back.
class TLineTerm final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "portno;s"; }
    const char* Description() const override {
        return "This sets the line termination string for serial port number <portno>. The default line "
               "termination string consists of the character chr(13) (carriage return). The port must have been "
               "opened before using the commopen() function.";
    }
    const char* SeeAlso() const override { return "commopen(portno;descr;timeout),commreadln(portno)"; }
};

// One read of up to c bytes. 1 when bytes arrived: the array then holds exactly them (0 to
// 255); 0 when none did, leaving the array as it was. arr[] is not evaluated.
class TReadCommBin final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    bool CheckArguments() override { return ArgIsArray(1); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "portno;arr[];c"; }
    const char* Description() const override {
        return "This reads maximum of <c> count bytes from device with id <id> and puts the ASCII values into "
               "array <arr[]>.This function is used to recieve binary data also containing zeros etc.. The "
               "function returns true (-1) if the read was successful.";
    }
    const char* SeeAlso() const override { return "commopen(portno;descr;timeout)"; }
};

// 0. Each element is sent as one byte: truncated toward zero, low 8 bits (256 is 0, -1 is
// 255). arr[] is not evaluated.
class TWriteCommBin final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    bool CheckArguments() override { return ArgIsArray(1); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "portno;arr[]"; }
    const char* Description() const override {
        return "This writes the array <arr> as binary data to serial port number <portno>.Each element of <arr> is "
               "converted into its ASCII value and transmitted as one byte. Using this function it is possible "
               "totransmit binary data also containing zeros etc.. The port must have been opened before using "
               "this function.";
    }
    const char* SeeAlso() const override { return "commopen(portno;descr;timeout)"; }
};

std::span<const TFunctionTableEntry> SerialFunctionTable();

} // namespace NuvixParser
