// GPIB instruments: gpibwritebin, gpibreadbin, gpibprintln, gpibprint, gpibreadln, gpibread,
// gpibtimeout, gpibboard, gpibsta and gpiberr, over the GPIB devices of the run's calculator.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// Ids (0 to 255), counts, time-out codes and board numbers are range-checked as given and
// then truncated toward zero; a value out of range (or not a number) is a script error. A
// device the driver cannot open counts as absent, and a driver that is missing or fails is
// a result (0, the empty text; gpibsta and gpiberr tell why), never a script error. True
// is -1. A run without GPIB devices (no calculator) reaches no driver: it behaves as if
// none were installed.

// -1 when the write succeeded, else 0. arr[] is not evaluated; each element is sent as one
// byte: truncated toward zero, low 8 bits.
class TGPIBWriteBin final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    bool CheckArguments() override { return ArgIsArray(1); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "id;arr[]"; }
    const char* Description() const override {
        return "This writes the array <arr> as binary data to device with id <id>. Each element of <arr> is "
               "converted into its ASCII value and transmitted as one byte. Using this function it is possible "
               "totransmit binary data also containing zeros etc.. The function returns true (-1) if the write "
               "was successful.";
    }
    const char* Example() const override { return "a[0]=0, a[1]=32, gpibwritebin(5;a[])"; }
    const char* ExampleExplanation() const override { return "This two bytes 0 and 32 to GPIB device 5."; }
    const char* SeeAlso() const override { return "gpibreadbin(id;arr;c),gpibprint(id;s;c),gpibprintln(id;s)"; }
};

// -1 when the read succeeded: the array then holds exactly the bytes read (0 to 255); else
// 0, leaving the array as it was. arr[] is not evaluated; a negative count reads 0 bytes.
class TGPIBReadBin final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    bool CheckArguments() override { return ArgIsArray(1); }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "id;arr[];c"; }
    const char* Description() const override {
        return "This reads maximal <c> count bytes from device with id <id> and puts the ASCII values into array "
               "<arr[]>.This function is used to recieve binary data also containing zeros etc.. The function "
               "returns true (-1) if the read was successful.";
    }
    const char* Example() const override {
        return "gpibreadbin(5;a[];999),\nforeach(i;a[];\n println('Byte ' +string(i)+': '+dez2hex(a[i]))\n)";
    }
    const char* ExampleExplanation() const override {
        return "This reads a maximum of 999 bytes from device 5 and prints the result to the console.";
    }
    const char* SeeAlso() const override { return "gpibwritebin(id;arr[]),gpibread(id;c),gpibprintln(id;s)"; }
};

// -1 when the write succeeded, else 0. The whole text is sent, zero bytes included, with
// no line end added: the driver marks its last byte with EOI.
class TGPIBWriteLn final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "id;s"; }
    const char* Description() const override {
        return "This writes the string <s> to GPIB device with id <id>. The function returns true (-1) when the "
               "write was successful.";
    }
    const char* Example() const override { return "gpibprintln(5;'READ?'),println(gpibreadln(5))"; }
    const char* ExampleExplanation() const override {
        return "This writes the string 'READ?' to GPIB device 5 and prints to the console whatever is read back.";
    }
    const char* SeeAlso() const override { return "gpibprint(id;s;c),gpibreadln(id)"; }
};

// As gpibprintln: c is evaluated but the whole text is sent all the same.
class TGPIBWrite final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "id;s;c"; }
    const char* Description() const override {
        return "This writes the first <c> bytes of string <s> to GPIB device with id <id>. The function returns "
               "true (-1) when the write was successful.";
    }
    const char* Example() const override { return "gpibprint(3;'READ?';5),println(gpibreadln(3))"; }
    const char* ExampleExplanation() const override {
        return "This writes the string 'READ?' to GPIB device 3 and prints to the console whatever is read back.";
    }
    const char* SeeAlso() const override { return "gpibprintln(id;s),gpibread(id;c)"; }
};

// One read of up to 1024 bytes, ended by EOI: the bytes read (zero bytes included), or
// the empty text when the device is absent or the driver reports ERR or TIMO.
class TGPIBReadLn final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "id"; }
    const char* Description() const override {
        return "This reads a line (terminated by EOI) from the device with id <id> and returns it as a string. "
               "This function never reads more than 1024 bytes. To read more bytes, use the ibrd(id;c) function.";
    }
    const char* Example() const override { return "gpibprintln(3;'READ?'),println(gpibreadln(3))"; }
    const char* ExampleExplanation() const override {
        return "This writes the string 'READ?' to GPIB device 3 and prints to the console whatever is read back.";
    }
    const char* SeeAlso() const override { return "gpibread(id;c),gpibprintln(id;s)"; }
};

// As gpibreadln for up to c bytes (0 to 65535; 0 is a read of none).
class TGPIBRead final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    const char* ParamText() const override { return "id;c"; }
    const char* Description() const override {
        return "This reads (a maximum of) <c> bytes from the device with id <id> and returns it as a string. ";
    }
    const char* Example() const override { return "println(gpibread(3;5))"; }
    const char* ExampleExplanation() const override {
        return "This reads 5 bytes from the device with id 3 and prints it to the console.";
    }
    const char* SeeAlso() const override { return "gpibreadln(id)"; }
};

// -1 once the code (1 to 17) was passed to the driver, whatever it answered; 0 when the
// device is absent.
class TGPIBTimout final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "id;t"; }
    // The NI-488.2 time-out codes T10us to T1000s; 0xB5 is the micro sign of our 8-bit texts.
    const char* Description() const override {
        return "This sets the timeout interval for device with id <id> to <t>. <t> is a value from 1 to 17. The "
               "function returns true (-1) when the operation was successfull.The timout value affects read and "
               "write operations. The following table describes the timeout period depending on <t>:"
               "\n1:  10 \xB5s\n2:  30 \xB5s\n3:  100 \xB5s\n4:  300 \xB5s\n5:  1 ms\n6:  3 ms\n7:  10 ms"
               "\n8:  30 ms\n9:  100 ms\n10: 300 ms\n11: 1 s\n12: 3 s\n13: 10 s\n14: 30 s\n15: 100 s"
               "\n16: 300 s\n17: 1000 s";
    }
};

// -1 when ibsta lacks ERR afterwards, else 0 (an unchanged board calls no driver, so the
// last call's status decides).
class TGPIBBoard final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "b"; }
    const char* Description() const override {
        return "This function is used when there exist multiple GPIB cards in a single computer. The function "
               "makes board number <b> the active GPIB board. All following GPIB functions then use this board. "
               "The first board has the number 0, the second board has number 1 etc.. The return value is true "
               "(-1) if the operation was successful.";
    }
    const char* Example() const override { return "gpibboard(1),gpibprintln(2;'READ?')"; }
    const char* ExampleExplanation() const override {
        return "This writes the string 'READ?' to device number 2 connected to board 1";
    }
};

class TGPIBSta final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return ""; }
    const char* Description() const override {
        return "This returns the GPIB status flag ibsta. Refer to the GPIB card documentation to get a description "
               "of this variable.";
    }
};

class TGPIBErr final : public TFunction {
public:
    int ArgumentCount() const override { return 0; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return ""; }
    const char* Description() const override {
        return "This returns the GPIB error variable iberr. Refer to the GPIB card documentation to get a "
               "description of this variable.";
    }
};

std::span<const TFunctionTableEntry> GpibFunctionTable();

} // namespace NuvixParser
