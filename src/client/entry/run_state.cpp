#include "client/entry/run_state.h"

namespace client {

std::atomic<std::uint8_t> RunState{0};

}  // namespace client
