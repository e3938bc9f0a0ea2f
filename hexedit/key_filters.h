// Key filters of the edit box, the search box and the go-to box, and the
// whole-number helper. Keys are character codes; 8 is Backspace and 0 means
// "drop the key".
#pragma once

#include <cstdint>

namespace hexedit {

inline constexpr int kBackspaceKey = 8;

// "0"-"9" and "A"-"F" pass, "a"-"f" become "A"-"F", Backspace passes,
// anything else becomes 0.
int FilterHexKey(int key);

// "0"-"9" and Backspace pass, anything else becomes 0.
int FilterNumericKey(int key);

// The whole-number part of value (its digits before the decimal point), so
// -2.7 gives -2. NaN gives 0; values beyond the 64-bit range give its ends.
std::int64_t NoFraction(double value);

}  // namespace hexedit
