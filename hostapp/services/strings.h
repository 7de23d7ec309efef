// The host's strings behind C4D_StringTable: a C4D_String handle is a std::string (bytes of
// UTF-8, never reinterpreted) in a block of the host allocator.
//
//  - string_set: false for len < 0, for NULL text with len > 0, or out of memory (the string
//    is then unchanged). NULL text with len 0 empties the string.
//  - string_get on NULL answers "" and length 0; len may be NULL.
//  - string_insert: pos is clamped to 0..length; inserting a string into itself is allowed;
//    false for a NULL string or out of memory (unchanged).
//  - string_memory_size writes MemorySizeText(bytes).
#pragma once

#include <cstdint>
#include <string>

#include "c4d_abi.h"

namespace hostapp {

// The table handed to plug-ins; static, never NULL.
const C4D_StringTable* stringTable();

// The text of a byte count, in binary units of 1024:
//   below 1024 bytes: the exact count and " B"                    "0 B", "1023 B"
//   otherwise: two decimals and the largest unit (KB, MB, GB, TB, PB, EB) whose value
//   rounded to two decimals stays below 1024                       "1.00 KB", "23.44 KB",
//                                                                  "1.50 MB", "1.00 MB" for 1048575
//   a negative count: "-" and the text of its magnitude           "-2.00 KB"
std::string MemorySizeText(int64_t bytes);

// The std::string behind a handle of this table (NULL for NULL).
std::string* TextOf(C4D_String* s);
const std::string* TextOf(const C4D_String* s);

}  // namespace hostapp
