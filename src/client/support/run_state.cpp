#include "client/support/run_state.h"

namespace tolvar::client {

std::atomic<std::uint8_t> RunState{0};

}  // namespace tolvar::client
