// Error codes on Linux in the Windows convention. Every error code that the
// platform layer hands upwards is a Windows system error code (2 for a missing
// file, 5 for access denied, ...) on both targets, so that codes shown to the
// user are the same; SystemErrorText takes such a code on both targets.
//
// An errno with no Windows code of the same meaning travels as
// kForeignErrnoFlag | errno (bit 29, which Windows leaves to applications),
// so that its own text is not lost. Included by *_posix.cpp files only.
#pragma once

namespace tolvar::platform {

inline constexpr unsigned long kForeignErrnoFlag = 0x20000000UL;

// errno -> Windows system error code (0 stays 0).
unsigned long WindowsErrorCode(int error_number);
// The errno a Windows code stands for; -1 when there is none.
int ErrnoOfWindowsCode(unsigned long code);

}  // namespace tolvar::platform
