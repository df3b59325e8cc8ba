// How long a platform wait may last: a number of milliseconds, or no limit.
// The platform's waits take this instead of a signed count whose negative
// values mean "no limit", so a caller's own sentinels (the transport's -1
// and -2) can never reach a wait unconverted.
#pragma once

namespace tolvar::platform {

class WaitLimit {
 public:
  static constexpr WaitLimit None() { return WaitLimit(-1); }
  // `ms` below 0 counts as 0: look once and return.
  static constexpr WaitLimit Ms(long ms) { return WaitLimit(ms < 0 ? 0 : ms); }

  constexpr bool Unlimited() const { return ms_ < 0; }
  // Milliseconds, >= 0; only meaningful when not Unlimited().
  constexpr long Milliseconds() const { return ms_; }
  // The shorter of the two limits.
  constexpr WaitLimit AtMost(WaitLimit other) const {
    if (Unlimited()) return other;
    if (other.Unlimited()) return *this;
    return ms_ <= other.ms_ ? *this : other;
  }

  constexpr bool operator==(const WaitLimit&) const = default;

 private:
  explicit constexpr WaitLimit(long ms) : ms_(ms) {}
  long ms_;
};

}  // namespace tolvar::platform
