// Moves bytes from an input OS handle to an output OS handle through a
// transformation: raw bytes, no code-page or line-end translation.
#pragma once

#include <memory>
#include <string>

#include "filter/os.h"
#include "filter/tag_param.h"

namespace tagsift::filter {

// Holds the two handles; both invalid after construction. Owns nothing.
class TFilterPipe {
 public:
  TFilterPipe() = default;
  virtual ~TFilterPipe() = default;
  TFilterPipe(const TFilterPipe&) = delete;
  TFilterPipe& operator=(const TFilterPipe&) = delete;

  virtual void SetInput(os::Handle h) { FInput = h; }
  virtual void SetOutput(os::Handle h) { FOutput = h; }
  virtual void Execute() {}

  os::Handle Input() const { return FInput; }
  os::Handle Output() const { return FOutput; }

 protected:
  os::Handle FInput = os::kInvalidHandle;
  os::Handle FOutput = os::kInvalidHandle;
};

// Binds the handles to named files or to the standard handles; closes what
// it opened, never a standard handle.
class TFilterPipeNamed : public TFilterPipe {
 public:
  TFilterPipeNamed();
  ~TFilterPipeNamed() override;

  // Closes the current input; a non-empty name is opened for reading and
  // becomes the input, which is the invalid handle when the open failed.
  virtual void OpenInput(const std::string& name);
  // Closes the current output; a non-empty name is created or truncated.
  virtual void OpenOutput(const std::string& name);
  virtual void CloseInput();
  virtual void CloseOutput();
  virtual void CloseAll();
};

// Runs the tag parameter scanner from the input to the output.
class TFilterPipeTagParam : public TFilterPipeNamed {
 public:
  // Size of every read, and the least size of every write but the last.
  static constexpr std::size_t kBlockSize = 16128;

  explicit TFilterPipeTagParam(bool unix_style = false);
  ~TFilterPipeTagParam() override;

  // Reads kBlockSize blocks until end of input (a failed read counts as the
  // end) and writes the scanner's output whenever at least kBlockSize bytes
  // are pending, and whatever is left at the end. A failed or short write
  // ends the run quietly. Never throws.
  void Execute() override;

  virtual std::string GetParameter() const { return FScanner->Parameter(); }
  virtual void SetParameter(const std::string& name) { FScanner->SetParameter(name); }

 protected:
  // One read call on the input and one write call on the output; tests
  // replace them to watch the block sizes.
  virtual bool ReadBlock(char* buffer, std::size_t size, std::size_t* got) {
    return os::Read(FInput, buffer, size, got);
  }
  virtual bool WriteBlock(const char* bytes, std::size_t size, std::size_t* written) {
    return os::Write(FOutput, bytes, size, written);
  }

 private:
  std::unique_ptr<TTagParam> FScanner;
};

}  // namespace tagsift::filter
