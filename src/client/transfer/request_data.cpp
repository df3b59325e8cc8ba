#include "client/transfer/request_data.h"

#include <algorithm>
#include <vector>

#include "client/transfer/transfer_texts.h"
#include "platform/handle_stream.h"
#include "platform/system.h"

namespace tolvar::client {
namespace {

constexpr std::int32_t kReadBlock = 64 * 1024;

std::string FileFailure(const std::string& name, const platform::EFileStreamError& e, const char* suffix) {
  return std::string(texts::kFilePrefix) + platform::FullPathName(name) + "\". " + e.SystemText() + suffix;
}

}  // namespace

std::unique_ptr<platform::TStream> ReadWhole(platform::TOSHandle handle, std::int64_t memory_bound) {
  std::unique_ptr<platform::TStream> held = std::make_unique<platform::TMemoryStream>();
  bool spilled = false;
  std::vector<char> block(kReadBlock);
  for (;;) {
    const long n = platform::ReadHandle(handle, block.data(), kReadBlock);
    if (n == 0) break;
    if (n < 0) {
      const unsigned long code = platform::LastErrorCode();
      throw platform::EFileStreamError(platform::SystemErrorText(code), code, platform::SystemErrorText(code));
    }
    if (!spilled && held->GetSize() + n > memory_bound) {
      // Too much for memory: what is held so far moves to the file first.
      auto file = std::make_unique<platform::TTemporaryStream>();
      auto& memory = static_cast<platform::TMemoryStream&>(*held);
      std::int64_t done = 0;
      while (done < memory.GetSize()) {
        const auto part = static_cast<std::int32_t>(std::min<std::int64_t>(memory.GetSize() - done, kReadBlock));
        if (file->Write(memory.Memory() + done, part) != part) {
          const unsigned long code = platform::LastErrorCode();
          throw platform::EFileStreamError(platform::SystemErrorText(code), code, platform::SystemErrorText(code));
        }
        done += part;
      }
      held = std::move(file);
      spilled = true;
    }
    if (held->Write(block.data(), static_cast<std::int32_t>(n)) != n) {
      // Only the temporary file can fail a write (a full disk, say).
      const unsigned long code = platform::LastErrorCode();
      throw platform::EFileStreamError(platform::SystemErrorText(code), code, platform::SystemErrorText(code));
    }
  }
  held->SetPosition(0);
  return held;
}

TRequestData OpenRequestData(const std::string& name, std::int64_t memory_bound) {
  TRequestData data;
  std::unique_ptr<platform::TFileStream> file;
  try {
    file = std::make_unique<platform::TFileStream>(name, platform::TFileMode::fmOpenRead);
  } catch (const platform::EFileStreamError& e) {
    data.Failure = FileFailure(name, e, texts::kCannotOpenSuffix);
    return data;
  }
  if (platform::GetHandleKind(file->Handle()) == platform::HandleKind::kDisk) {
    data.Stream = std::move(file);
    return data;
  }
  try {
    data.Stream = ReadWhole(file->Handle(), memory_bound);
  } catch (const platform::EFileStreamError& e) {
    data.Failure = FileFailure(name, e, texts::kCannotReadSuffix);
  }
  return data;
}

}  // namespace tolvar::client
