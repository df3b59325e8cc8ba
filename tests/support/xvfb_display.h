// Linux tests: a virtual X server of their own for the lifetime of the
// object, started as `Xvfb` with the given screen size and named in
// $DISPLAY meanwhile (the old value comes back afterwards). Ok() is false
// when Xvfb is missing or did not come up within ten seconds; the caller
// then skips.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace tolvar::testing {

class TXvfbDisplay {
 public:
  TXvfbDisplay(int width, int height);
  ~TXvfbDisplay();
  TXvfbDisplay(const TXvfbDisplay&) = delete;
  TXvfbDisplay& operator=(const TXvfbDisplay&) = delete;

  bool Ok() const { return !name_.empty(); }
  const std::string& Name() const { return name_; }  // ":N"

  // Acts as a window manager would: publishes the work areas of the
  // desktops (x, y, width, height each) and which desktop is current.
  void PublishWorkAreas(const std::vector<long>& areas, long current) const;

  // Starts a small window manager (twm) on this display, placing new
  // windows where they ask to be; true once it manages the screen (it
  // holds the root window's redirection), false when it is missing or did
  // not take over within ten seconds. It ends with the display.
  bool StartWindowManager();

 private:
  pid_t pid_ = -1;
  pid_t manager_pid_ = -1;
  std::string name_;
  std::optional<std::string> old_display_;
};

// Removes $DISPLAY for the lifetime of the object.
class TNoDisplay {
 public:
  TNoDisplay();
  ~TNoDisplay();
  TNoDisplay(const TNoDisplay&) = delete;
  TNoDisplay& operator=(const TNoDisplay&) = delete;

 private:
  std::optional<std::string> old_display_;
};

}  // namespace tolvar::testing
