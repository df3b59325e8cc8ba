// Overwriting secrets before their storage is given back.
#pragma once

#include <string>

namespace tolvar::client {

// Overwrites every byte of `s` with a blank (0x20) in place; the length is
// unchanged. The stores go through a volatile pointer, so the compiler may
// not drop them as dead even when `s` is destroyed right after. Copies the
// string made earlier (reallocations, temporaries) are not reached.
void WipeString(std::string& s);

}  // namespace tolvar::client
