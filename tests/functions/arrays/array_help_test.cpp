// The array area's registration table and the help texts of its twelve entries.
#include <gtest/gtest.h>

#include "functions/arrays/array_functions.h"
#include "tests/functions/help_texts.h"
#include "tests/functions/script_cases.h"

namespace {

using NuvixTest::THelpRow;

constexpr THelpRow kArrayHelp[] = {
    {"length", "length(a or arr[])",
     "Returns the length of the string <a> or the number of elements of <arr[]>.", "length(string(1000))",
     "This returns 4 (i.e. the length of the string '1000')."},
    {"clear", "clear(arr[])", "This clears <arr[]> (sets its length to 0)."},
    {"mean", "mean(arr[])", "Returns the arithmetic mean value of arr[] or zero if length(arr[]) is zero.",
     nullptr, nullptr, "stddev(arr[])"},
    {"stddev", "stddev(arr[])", "Returns the root mean square deviation of <arr[]> from zero.", nullptr,
     nullptr, "mean(arr[])"},
    {"arraymin", "arraymin(arr[])", "Returns the minimum value in <arr[]>."},
    {"arraymax", "arraymax(arr[])", "Returns the maximum value in <arr[]>."},
    {"seekmin", "seekmin(arr[])", "Returns the position of the minimum value in <arr[]>.", nullptr, nullptr,
     "seekmax(arr[])"},
    {"seekmax", "seekmax(arr[])", "Returns the position of the maximum value in <arr[]>.", nullptr, nullptr,
     "seekmin(arr[])"},
    {"append", "append(a[];b[] or a[];b)",
     "Appends the array <b[]> or the value <b> to <a[]> and returns the new length of <a[]>.",
     "a[0]=1,\nappend(a[];2),\nappend(a[];a[])",
     "This returns 4 (i.e. a[] then holds the elements 1, 2, 1, 2).",
     "arraycopy(target[],src[],start,count)"},
    {"arraycopy", "arraycopy(target[];src[];start;count)",
     "Copies <count> elements of <src[]>, starting at element <start>, into <target[]>. Returns the number "
     "of "
     "copied elements.",
     nullptr, nullptr, "append(arr1[];arr2[])"},
    {"sort", "sort(a[];b[])",
     "Leaves <a[]> unchanged and returns in <b[]> the indices of <a[]> in ascending order of value. Returns "
     "the "
     "number of elements.",
     "for(i=0;i<100;i+=1;a[i]=random()),\nsort(a[];b[]),\nprint('Maximum: "
     "'),\nprintln(a[b[length(b[])-1]]),\n"
     "print('Minimum: '),\nprintln(a[b[0]])",
     "This prints the largest and the smallest of 100 random numbers to the output window."},
    {"scroll", "scroll(arr[];value;length)",
     "Appends <value> to <arr[]> and drops elements at the front so that <arr[]> keeps <length> elements."},
};

TEST(ArrayHelp, EveryEntryShowsItsHelpTexts) {
    NuvixTest::ExpectHelpTexts(NuvixParser::ArrayFunctionTable(), kArrayHelp);
}

// The examples that need no output window give what their explanations say.
TEST(ArrayHelp, ExamplesDoWhatTheySay) {
    NuvixTest::ExpectResults({
        {"length(string(1000))", "4"},
        {"a[0]=1,\nappend(a[];2),\nappend(a[];a[])", "4"},
        // The sort example without its printing: the picked elements are the extremes.
        {"for(i=0;i<100;i+=1;a[i]=random()),\nsort(a[];b[]),\n"
         "(a[b[length(b[])-1]] == arraymax(a[])) + 2*(a[b[0]] == arraymin(a[]))",
         "3"},
    });
}

TEST(ArrayHelp, TheStandardTableListsEveryArrayFunction) {
    const auto standard = NuvixParser::StandardFunctionTable();
    for (const auto& entry : NuvixParser::ArrayFunctionTable()) {
        int found = 0;
        for (const auto& s : standard) found += std::string(s.name) == entry.name;
        EXPECT_EQ(found, 1) << entry.name;
    }
}

} // namespace
