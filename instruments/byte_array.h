// Byte strings to and from script arrays of byte values, as the binary serial and GPIB
// functions pass them.
#pragma once

#include <string>
#include <string_view>

namespace NuvixParser {

class TArrayEntry;

// One byte per element: its integer reading (truncated toward zero), low 8 bits, so 256
// is sent as 0 and -1 as 255.
std::string BytesOfArray(const TArrayEntry& array);

// The array becomes exactly the bytes, each as its value 0 to 255, growing once to their
// number. False, with the array untouched, when an array cannot hold that many elements.
bool SetArrayToBytes(TArrayEntry& array, std::string_view bytes);

} // namespace NuvixParser
