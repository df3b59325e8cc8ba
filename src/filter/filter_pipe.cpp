#include "filter/filter_pipe.h"

#include <vector>

namespace tagsift::filter {

TFilterPipeNamed::TFilterPipeNamed() {
  FInput = os::StdInput();
  FOutput = os::StdOutput();
}

TFilterPipeNamed::~TFilterPipeNamed() {
  TFilterPipeNamed::CloseAll();
}

void TFilterPipeNamed::OpenInput(const std::string& name) {
  CloseInput();
  if (!name.empty()) SetInput(os::OpenRead(name));
}

void TFilterPipeNamed::OpenOutput(const std::string& name) {
  CloseOutput();
  if (!name.empty()) SetOutput(os::CreateWrite(name));
}

void TFilterPipeNamed::CloseInput() {
  if (FInput != os::kInvalidHandle && FInput != os::StdInput()) os::Close(FInput);
  SetInput(os::StdInput());
}

void TFilterPipeNamed::CloseOutput() {
  if (FOutput != os::kInvalidHandle && FOutput != os::StdOutput()) os::Close(FOutput);
  SetOutput(os::StdOutput());
}

void TFilterPipeNamed::CloseAll() {
  CloseInput();
  CloseOutput();
}

TFilterPipeTagParam::TFilterPipeTagParam(bool unix_style) : FScanner(std::make_unique<TTagParam>(unix_style)) {}

TFilterPipeTagParam::~TFilterPipeTagParam() {
  FScanner.reset();
}

void TFilterPipeTagParam::Execute() {
  std::vector<char> buffer(kBlockSize);
  std::string pending;
  // The output of one block is at most twice its size (a closing quote
  // becomes CR LF), on top of what is pending below the threshold.
  pending.reserve(4 * kBlockSize);
  FScanner->ResetScan();
  std::size_t threshold = kBlockSize;
  while (threshold != 0) {
    std::size_t got = 0;
    if (!ReadBlock(buffer.data(), buffer.size(), &got)) {
      got = 0;
      threshold = 0;
    } else if (got == 0) {
      threshold = 0;
    }
    FScanner->ScanAppend(buffer.data(), got, pending);
    if (pending.size() < threshold) continue;
    if (!pending.empty()) {
      std::size_t written = 0;
      bool ok = WriteBlock(pending.data(), pending.size(), &written);
      if (!ok || written < pending.size()) threshold = 0;
    }
    pending.clear();
  }
  FScanner->ResetScan();
}

}  // namespace tagsift::filter
