// On Linux the program's own Shift_JIS texts are converted for the user;
// paths and system texts must reach the user exactly as they are.
#include <gtest/gtest.h>

#include <string>

#include "client/support/message_text.h"

namespace tolvar::client {
namespace message_text_test_posix {

// " に書き込めません" in Shift_JIS and in UTF-8.
const char kCannotWriteSjis[] = " \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1";
const char kCannotWriteUtf8[] = " に書き込めません";

// Regression: a message with a path was converted whole, as if the path
// were Shift_JIS, and "/home/ホーム/..." came out garbled. The tests run in
// the C locale, whose plain ASCII makes the program's texts UTF-8.
TEST(TMessageTextTest, PathReachesTheUserUnchanged) {
  const std::string path = "/home/ホーム/.config/tolvar.ini";
  const TMessageText m = TMessageText().Data(path).Own(kCannotWriteSjis).Own(": Can't save options to ini file.");
  EXPECT_EQ(m.ForUser(), path + kCannotWriteUtf8 + ": Can't save options to ini file.");
  EXPECT_EQ(m.Bytes(), path + kCannotWriteSjis + ": Can't save options to ini file.");
}

TEST(TMessageTextTest, DataThatIsNoShiftJisStaysAsItIs) {
  // A lone lead byte is not Shift_JIS; as data it must not spoil the rest.
  const TMessageText m = TMessageText(kCannotWriteSjis).Data("\x82").Own(kCannotWriteSjis);
  EXPECT_EQ(m.ForUser(), std::string(kCannotWriteUtf8) + "\x82" + kCannotWriteUtf8);
}

}  // namespace message_text_test_posix
}  // namespace tolvar::client
