#include "client/support/wipe.h"

namespace tolvar::client {

void WipeString(std::string& s) {
  // data() of an empty string is valid and its size is 0: nothing to do.
  volatile char* p = s.data();
  for (std::size_t i = 0, n = s.size(); i < n; ++i) p[i] = ' ';
}

}  // namespace tolvar::client
