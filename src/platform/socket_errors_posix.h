// errno -> the Winsock code of the same meaning, so that socket failures read
// the same on both targets ("Socket Error # 10061\r\nConnection refused.").
// An errno without a Winsock counterpart becomes kWsaSysCallFailure rather
// than its own number, which would read as an unrelated code. Included by
// *_posix.cpp files and their tests only.
#pragma once

namespace tolvar::platform {

// WSASYSCALLFAILURE: a system call failed for a reason Winsock has no code for.
inline constexpr int kWsaSysCallFailure = 10107;

int WinsockCodeOfErrno(int error_number);

}  // namespace tolvar::platform
