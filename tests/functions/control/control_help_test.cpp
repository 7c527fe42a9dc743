// The control area's registration table and the help texts of its six entries.
#include <gtest/gtest.h>

#include "functions/control/control_functions.h"
#include "tests/functions/help_texts.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kControlHelp[] = {
    {"if", "if(cond;expr1;expr2)",
     "Evaluates <expr1> if <cond> is true, otherwise <expr2>. Returns the value of the evaluated expression.",
     "a=42,\nif(a>0;\n println('a is greater than zero');\n println('a is not greater than zero')\n)",
     "This prints out 'a is greater than zero'.", "while(cond; expr)"},
    {"while", "while(cond;expr)",
     "Evaluates <expr> as long as <cond> is true. Returns the last result of <expr> or zero.",
     "s='',\nwhile(length(s)<10;\n s = s + 'X'\n)", "This returns the string 'XXXXXXXXXX'.",
     "if(cond;expr1;expr2)"},
    {"for", "for(init;cond;incr;expr)",
     "Implements a 'for' loop: evaluates <init> once, then evaluates <expr> and <incr> as long as <cond> is "
     "true. Returns the last result of <expr> or zero.",
     "for(i=0;i<10;i+=1;\n println(i)\n)", "This prints the numbers from 0 to 9  in the output window.",
     "while(a;b), foreach(x,a[],expr)"},
    {"foreach", "foreach(x;arr[];expr)",
     "Sets <x> to each index of <arr[]> in turn and evaluates <expr>. Returns the last result of <expr> or "
     "zero.",
     "foreach(i; data[]; println(data[i]))", "This prints all elements of <data[]> to the output window.",
     "for(init,cond,incr,expr)"},
    {"define", "define(func;expr)", "Defines a user function <func> with the body <expr>. Always returns 1.",
     "define(f(x);2*x),\nf(5)", "This returns the value 10."},
    {"defined", "defined(var)",
     "Tells whether the variable <var> has a value: returns 1 if it has one, otherwise 0.",
     "a=42,\nif(defined(a);'hello';'you')",
     "This returns the string 'hello', as the variable a has a value."},
};

TEST(ControlHelp, EveryEntryShowsItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::ControlFunctionTable(), kControlHelp);
}

} // namespace
