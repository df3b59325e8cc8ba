// POST/PUT data made ready before the request: read whole where the
// source has no size, within a memory bound and beyond it in a file.
#include "client/transfer/request_data.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "client/transfer/transfer_texts.h"
#include "platform/handle_stream.h"
#include "support/temp_path.h"

namespace tolvar::client {
namespace request_data_test {

std::string ReadBack(platform::TStream& s) {
  std::string bytes(static_cast<std::size_t>(s.GetSize()), '\0');
  s.ReadBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return bytes;
}

std::string WriteData(const char* tag, const std::string& bytes) {
  const std::string path = tolvar::testing::FreshTempPath(tag);
  platform::TFileStream f(path, platform::TFileMode::fmCreate);
  f.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return path;
}

TEST(ReadWholeTest, InMemoryUpToTheBoundAndInAFileBeyondIt) {
  std::string bytes(200000, 'r');
  bytes[0] = 'a';
  bytes[199999] = 'z';
  const std::string path = WriteData("tolvar_read_whole.bin", bytes);
  struct Row {
    std::int64_t bound;
    bool in_memory;
  };
  for (const Row row : {Row{200000, true}, Row{199999, false}, Row{10, false}, Row{0, false}}) {
    platform::TFileStream source(path, platform::TFileMode::fmOpenRead);
    std::unique_ptr<platform::TStream> whole = ReadWhole(source.Handle(), row.bound);
    EXPECT_EQ(dynamic_cast<platform::TMemoryStream*>(whole.get()) != nullptr, row.in_memory) << row.bound;
    EXPECT_EQ(whole->GetSize(), 200000) << row.bound;
    EXPECT_EQ(whole->Position(), 0) << row.bound;
    EXPECT_EQ(ReadBack(*whole), bytes) << row.bound;
  }
  std::remove(path.c_str());
}

TEST(OpenRequestDataTest, DiskFileAsItIsAndAMissingOneReported) {
  const std::string path = WriteData("tolvar_request_data.bin", "payload");
  TRequestData data = OpenRequestData(path);
  ASSERT_TRUE(data.Stream) << data.Failure;
  EXPECT_NE(dynamic_cast<platform::TFileStream*>(data.Stream.get()), nullptr);
  EXPECT_EQ(ReadBack(*data.Stream), "payload");
  data.Stream.reset();
  std::remove(path.c_str());

  const TRequestData missing = OpenRequestData(path);
  EXPECT_FALSE(missing.Stream);
  EXPECT_EQ(missing.Failure.rfind(texts::kFilePrefix, 0), 0u) << missing.Failure;
  const std::string suffix = texts::kCannotOpenSuffix;
  ASSERT_GE(missing.Failure.size(), suffix.size());
  EXPECT_EQ(missing.Failure.substr(missing.Failure.size() - suffix.size()), suffix);
}

}  // namespace request_data_test
}  // namespace tolvar::client
