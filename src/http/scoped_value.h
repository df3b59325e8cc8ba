// A field set for the length of a scope and restored on every way out of it
// (a return or an exception), so a failure cannot leave a time-out or a
// protocol version changed for the requests that follow.
#pragma once

namespace tolvar::http {

template <typename T>
class TScopedValue {
 public:
  // Keeps the current value; the scope may change the field as it likes.
  explicit TScopedValue(T& field) : field_(field), saved_(field) {}
  // Keeps the current value and sets `value` for the scope.
  TScopedValue(T& field, T value) : field_(field), saved_(field) { field_ = value; }
  ~TScopedValue() { field_ = saved_; }
  TScopedValue(const TScopedValue&) = delete;
  TScopedValue& operator=(const TScopedValue&) = delete;

 private:
  T& field_;
  T saved_;
};

}  // namespace tolvar::http
