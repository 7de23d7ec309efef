// Lists of numbers in text, one per line: per-point weights and similar maps.
#ifndef HOSTAPP_IO_FLOAT_LIST_H
#define HOSTAPP_IO_FLOAT_LIST_H

#include <string>
#include <vector>

namespace hostapp {

// Reads one finite number per line. Blank lines and lines starting with '#' are skipped;
// any other line must hold exactly one number.
// in:  path.  out: true with *values replaced (possibly empty); on false, *error is one
//      line naming the file, and "FILE:LINE: ..." for a line that is not one finite float.
//      *values is unchanged on false.
bool ReadFloatList(const std::string& path, std::vector<float>* values, std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_IO_FLOAT_LIST_H
