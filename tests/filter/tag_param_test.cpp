#include "filter/tag_param.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tagsift::filter {
namespace tag_param_test {

std::string Scan(std::string_view text, std::string_view name = "HREF", bool unix_style = true) {
  TTagParam scanner(unix_style);
  scanner.SetParameter(name);
  return scanner.ScanText(text);
}

// The state table applied one byte at a time, written as plainly as
// possible: the fast buffer path must agree with it on any input.
std::string Reference(std::string_view text, std::string_view name, const std::string& eol) {
  std::string param;
  for (char c : name) param.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  if (param.empty()) return std::string(text);
  enum { Seek, Match, AfterName, AfterEq, DQ, SQ, Bare } state = Seek;
  std::size_t index = 1;
  std::string out;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    unsigned char u = (c >= 'a' && c <= 'z') ? c - 32 : c;
    bool blank = c <= 0x20;
    switch (state) {
      case Seek:
        if (u == static_cast<unsigned char>(param[0])) {
          if (param.size() == 1)
            state = AfterName;
          else {
            state = Match;
            index = 2;
          }
        }
        break;
      case Match:
        if (u == static_cast<unsigned char>(param[index - 1])) {
          if (++index > param.size()) {
            state = AfterName;
            index = 1;
          }
        } else {
          state = Seek;
          index = 1;
        }
        break;
      case AfterName:
        if (c == '=')
          state = AfterEq;
        else if (!blank)
          state = Seek;
        break;
      case AfterEq:
        if (blank) break;
        if (c == '"')
          state = DQ;
        else if (c == '\'')
          state = SQ;
        else if (c == '>')
          state = Seek;
        else {
          out.push_back(ch);
          state = Bare;
        }
        break;
      case DQ:
        if (c == '"') {
          out += eol;
          state = Seek;
        } else
          out.push_back(ch);
        break;
      case SQ:
        if (c == '\'') {
          out += eol;
          state = Seek;
        } else
          out.push_back(ch);
        break;
      case Bare:
        if (blank) {
          out += eol;
          state = Seek;
        } else
          out.push_back(ch);
        break;
    }
  }
  return out;
}

TEST(TTagParamTest, FindsQuotedAndBareValues) {
  const std::string page = "<a href=\"x.htm\"><img SRC=y.gif>tail text</a>";
  EXPECT_EQ(Scan(page), "x.htm\n");
  // An unquoted value runs over ">" up to the next blank.
  EXPECT_EQ(Scan(page, "src"), "y.gif>tail\n");
}

TEST(TTagParamTest, BlanksAroundEqualsAndInsideQuotes) {
  EXPECT_EQ(Scan("HREF = \"a b\""), "a b\n");
  EXPECT_EQ(Scan("href\t\r\n=\n'q'"), "q\n");
  EXPECT_EQ(Scan("href='say \"hi\"' href=\"it's\""), "say \"hi\"\nit's\n");
  // A quoted value keeps its line breaks and ">" unchanged.
  EXPECT_EQ(Scan("href=\"a\r\nb>c\""), "a\r\nb>c\n");
}

TEST(TTagParamTest, NameNeedsNoBoundaryButMatchesNaively) {
  EXPECT_EQ(Scan("XHREF=a "), "a\n");
  // The byte that breaks a partial match is not tried as a new start.
  EXPECT_EQ(Scan("HHREF=a "), "");
  EXPECT_EQ(Scan("hrhref=a "), "");
  // Only blanks may stand between the name and "=".
  EXPECT_EQ(Scan("href:=a href x=b"), "");
}

TEST(TTagParamTest, CaseFoldsAsciiLettersOnly) {
  EXPECT_EQ(Scan("HrEf=1 hREF=2 "), "1\n2\n");
  // 0xE9 is not folded to 0xC9.
  EXPECT_EQ(Scan("\xC9=a \xE9=b ", "\xC9"), "a\n");
  // Multi-byte characters are plain bytes to the scanner.
  EXPECT_EQ(Scan("\x83h\x83href=z "), "z\n");
}

TEST(TTagParamTest, EmptyValues) {
  EXPECT_EQ(Scan("<a href=>x</a>"), "");
  EXPECT_EQ(Scan("href=\"\" href=''"), "\n\n");
}

TEST(TTagParamTest, OneLetterName) {
  EXPECT_EQ(Scan("A=1 b=2", "a"), "1\n");
  EXPECT_EQ(Scan("AA=1 ", "a"), "");
}

TEST(TTagParamTest, OpenValueAtEndHasNoLineEnd) {
  EXPECT_EQ(Scan("href=\"unterminated"), "unterminated");
  EXPECT_EQ(Scan("href=bare"), "bare");
}

TEST(TTagParamTest, LineEndFollowsStyle) {
  EXPECT_EQ(Scan("href=a href='b'", "HREF", false), "a\r\nb\r\n");
  EXPECT_EQ(Scan("href=a href='b'", "HREF", true), "a\nb\n");
}

TEST(TTagParamTest, EmptyNameCopiesInputUnchanged) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  all += "\r\nhref=\"x\"\n";
  EXPECT_EQ(Scan(all, ""), all);
}

TEST(TTagParamTest, ParameterIsStoredUpperCaseWithoutReset) {
  TTagParam scanner;
  EXPECT_EQ(scanner.Parameter(), "HREF");
  EXPECT_EQ(scanner.ScanText("hre"), "");
  EXPECT_EQ(scanner.CurrentState(), TTagParam::State::NameMatch);
  EXPECT_EQ(scanner.CurrentIndex(), 4u);
  scanner.SetParameter("src");
  EXPECT_EQ(scanner.Parameter(), "SRC");
  EXPECT_EQ(scanner.CurrentState(), TTagParam::State::NameMatch);
  scanner.ResetScan();
  EXPECT_EQ(scanner.CurrentState(), TTagParam::State::Seek);
  EXPECT_EQ(scanner.CurrentIndex(), 1u);
}

TEST(TTagParamTest, ScanBytePiecesAreEmptyByteOrLineEnd) {
  TTagParam scanner(false);
  std::string pieces;
  for (char c : std::string("href=\"ab\"")) pieces += "[" + scanner.ScanByte(static_cast<unsigned char>(c)) + "]";
  EXPECT_EQ(pieces, "[][][][][][][a][b][\r\n]");
  EXPECT_EQ(scanner.ScanBuffer("x", 0), "");
}

TEST(TTagParamTest, EverySplitPointGivesTheWholeResult) {
  const std::string input =
      "<A HREF = \"one two\">x</a><a href=bare>y</a> HrEf='q\"uote' <img src=\"s.gif\">"
      "href\r\n=\r\n\"multi\r\nline\" hhref=no href=\"\" tail href=open";
  for (std::string name : {"href", "src", "h", ""}) {
    const std::string whole = Scan(input, name);
    for (std::size_t cut = 0; cut <= input.size(); ++cut) {
      TTagParam scanner(true);
      scanner.SetParameter(name);
      std::string split = scanner.ScanText(input.substr(0, cut));
      split += scanner.ScanText(input.substr(cut));
      ASSERT_EQ(split, whole) << "name " << name << ", cut at " << cut;
    }
  }
}

TEST(TTagParamTest, BufferPathAgreesWithTheTableOnRandomInput) {
  // Inputs dense in the bytes that matter, fed in random chunk sizes.
  const std::string alphabet = "hHrReEfFsS= \t\r\n\"'>xa\x83\xE9<";
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    std::string input;
    std::size_t len = rng() % 400;
    for (std::size_t i = 0; i < len; ++i) input.push_back(alphabet[rng() % alphabet.size()]);
    for (std::string name : {"href", "h", "hh", "s=", ""}) {
      TTagParam scanner(round % 2 == 0);
      scanner.SetParameter(name);
      std::string got;
      for (std::size_t pos = 0; pos < input.size();) {
        std::size_t n = std::min<std::size_t>(1 + rng() % 40, input.size() - pos);
        scanner.ScanAppend(input.data() + pos, n, got);
        pos += n;
      }
      ASSERT_EQ(got, Reference(input, name, round % 2 == 0 ? "\n" : "\r\n")) << "name " << name << " input " << input;
    }
  }
}

}  // namespace tag_param_test
}  // namespace tagsift::filter
