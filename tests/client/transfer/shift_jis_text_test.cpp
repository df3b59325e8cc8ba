// The program's Japanese texts are written in UTF-8 and compiled from a copy
// whose literals hold their Shift_JIS (code page 932) bytes. This file is
// compiled the same way: each UTF-8 text below must come out as the bytes
// written beside it in escapes, which the conversion leaves alone.
#include <gtest/gtest.h>

#include <string>

#include "client/transfer/transfer_texts.h"

namespace tolvar::client {
namespace shift_jis_text_test {

struct Row {
  const char* name;
  std::string compiled;
  std::string bytes;
};

const Row kConversions[] = {
    {"kana and kanji", "接続しました.", "\x90\xDA\x91\xB1\x82\xB5\x82\xDC\x82\xB5\x82\xBD."},
    // Second bytes that are ASCII: a backslash, a letter, a comma.
    {"second byte is a backslash", "表ソ", "\x95\x5C\x83\x5C"},
    {"second byte is a letter", "値イ",
     "\x92l\x83"
     "C"},
    {"ideographic comma", "、",
     "\x81"
     "A"},
    // A hex digit after a converted character must not join its escape.
    {"hex digit follows", "表A1f",
     "\x95\x5C"
     "A1f"},
    {"full-width letters", "ＪＩＳ", "\x82i\x82h\x82r"},
    {"escapes kept", "\"ファ\"\t\\", "\"\x83t\x83@\"\t\\"},
    {"ASCII untouched", "LastError=0x1F", "LastError=0x1F"},
};

TEST(ShiftJisTextTest, UtfEightLiteralsCompileToCodePage932Bytes) {
  for (const Row& row : kConversions) EXPECT_EQ(row.compiled, row.bytes) << row.name;
}

// The controller's texts, byte for byte as the program has always written
// them: the log and the -q messages compare equal to these.
const Row kTransferTexts[] = {
    {"kNoUrl", texts::kNoUrl, "URL \x82\xAA\x8Ew\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1."},
    {"kNoProxyPort", texts::kNoProxyPort,
     "ProxyPort \x82\xAA\x8Ew\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1."},
    {"kProxyPortNotNumber", texts::kProxyPortNotNumber,
     "ProxyPort \x82\xAA\x90\x94\x92l\x82\xC5\x82\xCD\x82\xC8\x82\xA2."},
    {"kProxyPortNegative", texts::kProxyPortNegative,
     "ProxyPort \x82\xC9\x95\x89\x82\xCC\x92l\x82\xCD\x8Ew\x92\xE8\x82\xC5\x82\xAB\x82\xC8\x82\xA2."},
    {"kBadRetrys", texts::kBadRetrys,
     "Retrys \x82\xAA\x90\xB3\x82\xB5\x82\xA2\x90\x94\x92l\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1."},
    {"kBadInterval", texts::kBadInterval,
     "Interval \x82\xAA\x90\xB3\x82\xB5\x82\xA2\x90\x94\x92l\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1."},
    {"kBadTimeOut", texts::kBadTimeOut,
     "TimeOut \x82\xAA\x90\xB3\x82\xB5\x82\xA2\x90\x94\x92l\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1."},
    {"kRetrysNeedTimeOut", texts::kRetrysNeedTimeOut,
     "Retrys (\x8D\xC4\x8E\x8E\x8Ds) \x89\xF1\x90\x94\x82\xF0\x8Ew\x92\xE8\x82\xB5\x82\xBD\x8F\xEA\x8D\x87 TimeOut "
     "(\x8E\x9E\x8A\xD4\x91\xD2\x82\xBF\x8F\xE3\x8C\xC0) "
     "\x82\xF0\x90\xDD\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3"
     "\x82\xA2."},
    {"kConnectionClosed", texts::kConnectionClosed,
     "\x90\xDA\x91\xB1\x82\xF0\x95\xC2\x82\xB6\x82\xDC\x82\xB5\x82\xBD."},
    {"kRetryInSuffix", texts::kRetryInSuffix,
     " \x95"
     "b\x8C\xE3\x82\xC9\x8D\xC4\x8E\x8E\x8Ds\x82\xB5\x82\xDC\x82\xB7."},
    {"kHostResolved", texts::kHostResolved,
     "\x83z\x83X\x83g\x82\xF0\x94\xAD\x8C\xA9\x81"
     "A\x90\xDA\x91\xB1\x90\xE6 IP \x83"
     "A\x83h\x83\x8C\x83X\x82\xF0\x8A\x84"
     "\x82\xE8\x8Fo\x82\xB5\x82\xDC\x82\xB5\x82\xBD."},
    {"kConnected", texts::kConnected, "\x90\xDA\x91\xB1\x82\xB5\x82\xDC\x82\xB5\x82\xBD."},
    {"kAborting", texts::kAborting,
     "\x8B\xAD\x90\xA7\x90\xD8\x92"
     "f\x82\xF0\x8E\x8E\x82\xDD\x82\xDC\x82\xB7."},
    {"kFilePrefix", texts::kFilePrefix,
     "\x83t\x83@\x83"
     "C\x83\x8B \""},
    {"kCannotCreateSuffix", texts::kCannotCreateSuffix,
     " \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"},
    {"kCannotOpenSuffix", texts::kCannotOpenSuffix, " \x82\xCD\x8AJ\x82\xAF\x82\xDC\x82\xB9\x82\xF1"},
    {"kCannotReadSuffix", texts::kCannotReadSuffix,
     " \x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1"},
    {"kNoRetryAfterBodyPassedOn", texts::kNoRetryAfterBodyPassedOn,
     "\x95W\x8F\x80\x8Fo\x97\xCD\x82\xD6\x93n\x82\xB5\x82\xBD\x96{"
     "\x95\xB6\x82\xCD\x8E\xE6\x82\xE8\x8F\xC1\x82\xB9\x82\xC8\x82\xA2\x82"
     "\xBD\x82\xDF\x81"
     "A\x8D\xC4\x8E\x8E\x8Ds\x82\xB5\x82\xDC\x82\xB9\x82\xF1."},
};

TEST(ShiftJisTextTest, TransferTextsAreTheirShiftJisBytes) {
  for (const Row& row : kTransferTexts) EXPECT_EQ(row.compiled, row.bytes) << row.name;
}

}  // namespace shift_jis_text_test
}  // namespace tolvar::client
