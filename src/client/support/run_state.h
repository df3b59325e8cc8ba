// How far the run has got, shown only in the fatal start-up message.
#pragma once

#include <atomic>
#include <cstdint>

namespace tolvar::client {

// 1 program body started, 2 main window created, 3 connected, 5 main
// window being destroyed. Written by the program body and the transfer
// controller on the window's thread; atomic because the connected state is
// reported from the worker.
extern std::atomic<std::uint8_t> RunState;

}  // namespace tolvar::client
