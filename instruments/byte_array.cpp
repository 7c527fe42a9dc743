// Byte strings to and from script arrays.
#include "instruments/byte_array.h"

#include <cstdint>

#include "engine/conversions.h"
#include "engine/var_entry.h"

namespace NuvixParser {

std::string BytesOfArray(const TArrayEntry& array) {
    std::string bytes(static_cast<std::size_t>(array.Length()), '\0');
    for (std::int32_t i = 0; i < array.Length(); ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(DoubleToInt32(array.GetElement(i)) & 0xFF);
    return bytes;
}

bool SetArrayToBytes(TArrayEntry& array, std::string_view bytes) {
    if (static_cast<std::int64_t>(bytes.size()) > TArrayEntry::kMaxElements) return false;
    array.Clear();
    array.SetLength(static_cast<std::int64_t>(bytes.size()));
    double* elements = array.Data();
    for (std::size_t i = 0; i < bytes.size(); ++i) elements[i] = static_cast<unsigned char>(bytes[i]);
    return true;
}

} // namespace NuvixParser
