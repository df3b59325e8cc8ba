// The data a POST or PUT sends, made ready before the request goes: the
// engine announces its Content-Length from the stream's size, so that size
// must be known and true before the first byte is sent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/os_handle.h"
#include "platform/stream.h"

namespace tolvar::client {

// Bytes of data held in memory before the rest goes to a temporary file.
inline constexpr std::int64_t kRequestDataMemoryBound = std::int64_t{1} << 20;

// Reads `handle` to its end: into memory up to `memory_bound` bytes, and
// when there is more, all of it into a temporary file (TTemporaryStream).
// The result is positioned at its start. EFileStreamError when a read fails
// (the system's code) or the temporary file cannot be made or written.
std::unique_ptr<platform::TStream> ReadWhole(platform::TOSHandle handle, std::int64_t memory_bound);

// The data file `name` opened for sending. A disk file is sent as it is; a
// pipe, a terminal or a device has no size to announce, so it is read whole
// first (ReadWhole). On failure the stream is null and `Failure` holds the
// message for the user (Shift_JIS): the file cannot be opened, or cannot be
// read to its end.
struct TRequestData {
  std::unique_ptr<platform::TStream> Stream;
  std::string Failure;
};
TRequestData OpenRequestData(const std::string& name, std::int64_t memory_bound = kRequestDataMemoryBound);

}  // namespace tolvar::client
