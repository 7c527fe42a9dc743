// The panel functions loadgui, panelname, setproperty, getproperty, haschanged and
// waitguievent, which reach the run's runtime panel window through its TPanelHost.
#pragma once

#include <span>

#include "engine/function.h"
#include "engine/function_registry.h"

namespace NuvixParser {

// None of them raises a script error: a run without a panel window, a panel number outside
// 0..kLastPanel, an empty panel or an unknown control give the failure result 0.

class TLoadGui final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "panel,name"; }
    const char* Description() const override {
        return "This loads the GUI file <name>, made with the GUI editor or by another program, as panel "
               "number <panel> (0 to 99) and shows it in the controls window. A panel with the same number "
               "is replaced. Returns -1 if the panel was created, else 0.";
    }
    const char* Example() const override { return "loadgui(0;'c:\\mygui.gui')"; }
    const char* ExampleExplanation() const override {
        return "This shows the controls of the file c:\\mygui.gui as panel 0.";
    }
    const char* SeeAlso() const override { return "panelname"; }
};

class TPanelName final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "panel,name"; }
    const char* Description() const override { return "This sets the name of panel <panel> to <name>."; }
    const char* Example() const override { return "panelname(0;'My Controls'),\nloadgui(0;'c:\\mygui.gui')"; }
    const char* ExampleExplanation() const override {
        return "This sets the name of panel 0 to 'My Controls' and then loads a GUI file into panel 0.";
    }
    const char* SeeAlso() const override { return "loadgui"; }
};

class TSetProperty final : public TFunction {
public:
    int ArgumentCount() const override { return 4; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "panel,control,id,val"; }
    const char* Description() const override {
        return "This sets property <id> of the control with the id <control> in panel <panel> to <val> and "
               "returns -1 on success, else 0. Properties: label and display: 0 caption, 1 alignment "
               "(0 left, 1 centre, 2 right); scroll bar: 0 value, 1 minimum, 2 maximum, 3 page size, "
               "4 line size; edit field: 0 text, 1 alignment; button: 0 caption; check box: 0 caption, "
               "1 checked (not 0) or unchecked (0).";
    }
    const char* Example() const override { return "setproperty(0;23;0;'Hello')"; }
    const char* ExampleExplanation() const override {
        return "This sets the caption of control 23 in panel 0 to 'Hello'.";
    }
    const char* SeeAlso() const override { return "getproperty"; }
};

class TGetProperty final : public TFunction {
public:
    int ArgumentCount() const override { return 3; }
    // The value is a number or a text, as the property is.
    void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "panel,control,id"; }
    const char* Description() const override {
        return "This returns property <id> of the control with the id <control> in panel <panel>, or 0 "
               "if there is no such control or property. The ids are those of setproperty; besides, "
               "property 1 of a button is 1 while it is held down, else 0, and property 1 of a check box "
               "is -1 when it is checked, else 0.";
    }
    const char* Example() const override { return "getproperty(0;23;0)"; }
    const char* ExampleExplanation() const override {
        return "This returns the caption, text or value of control 23 in panel 0.";
    }
    const char* SeeAlso() const override { return "setproperty"; }

private:
    TReturnValue got_; // from Compute to Evaluate, which makes a text the result
};

class THasChanged final : public TFunction {
public:
    int ArgumentCount() const override { return 2; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "panel,control"; }
    const char* Description() const override {
        return "This returns -1 if the user changed the control with the id <control> in panel <panel> "
               "since the last call that said so, else 0.";
    }
    const char* Example() const override { return "if(haschanged(0;23); getproperty(0;23;1); -1)"; }
    const char* ExampleExplanation() const override {
        return "This returns property 1 of control 23 in panel 0 if the user changed it, else -1.";
    }
    const char* SeeAlso() const override { return "waitguievent"; }
};

class TWaitGuiEvent final : public TFunction {
public:
    int ArgumentCount() const override { return 1; }
    long double Compute(TCalcInfo& ci) override;
    const char* ParamText() const override { return "timeout"; }
    const char* Description() const override {
        return "This waits until the user changes a control of a panel or <timeout> ms have passed; a "
               "timeout of 0 waits without limit. Returns -1 after a change, 0 after the timeout. "
               "Several changes before the wait end one wait.";
    }
    const char* Example() const override {
        return "while(1;\n if(waitguievent(0);\n  if(haschanged(0;5); println('Changed.'); 0);\n  0)\n)";
    }
    const char* ExampleExplanation() const override {
        return "This waits for user actions for ever and prints 'Changed.' whenever control 5 of panel 0 "
               "has changed.";
    }
    const char* SeeAlso() const override { return "haschanged"; }
};

std::span<const TFunctionTableEntry> GuiFunctionTable();

} // namespace NuvixParser
