// Reading a manual page's switches, and finding the switches a command-line
// parser knows by asking the parser itself, so that the two lists can be
// compared without a third copy typed into a test.
#pragma once

#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tolvar::testing {

// The page as configured into the build tree (TOLVAR_MAN_DIR), "" when it
// cannot be read.
inline std::string ReadManPage(const std::string& name) {
  std::ifstream in(std::string(TOLVAR_MAN_DIR) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The switches named in the tag lines (the line after each .TP) of the
// OPTIONS section: every word that starts with "-", with the page's "\-"
// read as "-" and font changes as separators ("\fB\-p\fR\fINAME" -> "-p").
inline std::set<std::string> ManPageSwitches(const std::string& page) {
  std::set<std::string> found;
  std::istringstream lines(page);
  std::string line;
  bool in_options = false;
  bool tag_next = false;
  while (std::getline(lines, line)) {
    if (line.rfind(".SH", 0) == 0) {
      in_options = line == ".SH OPTIONS";
      continue;
    }
    if (!in_options) continue;
    if (line == ".TP") {
      tag_next = true;
      continue;
    }
    if (!tag_next) continue;
    tag_next = false;
    if (line.rfind('.', 0) == 0) line.erase(0, line.find(' ') == std::string::npos ? line.size() : line.find(' '));
    std::string plain;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line.compare(i, 2, "\\-") == 0) {
        plain += '-';
        ++i;
      } else if (line.compare(i, 2, "\\f") == 0 && i + 2 < line.size()) {
        plain += ' ';
        i += 2;
      } else {
        plain += line[i];
      }
    }
    std::string word;
    for (char c : plain + " ") {
      if (std::string(" ,[]{}|\"").find(c) == std::string::npos) {
        word += c;
        continue;
      }
      if (word.size() > 1 && word[0] == '-') found.insert(word);
      word.clear();
    }
  }
  return found;
}

// Finds the switches of a parser by their effect. `state` parses a token
// list (token 0 the program) into a fresh option set and returns all that
// set holds as one text. A token is known when it changes that text after
// any of `bases` (option sets to start from) and before any of `tails`
// (what follows it: nothing, a plain word it may take as its value, a switch
// it may turn into a file name). Tokens of two and three characters are
// tried; a three-character one counts as a switch of its own only when it
// acts neither like its first two characters with the third ignored nor
// like them with the third as their value.
class TSwitchProbe {
 public:
  using State = std::function<std::string(const std::vector<std::string>&)>;

  TSwitchProbe(State state, std::vector<std::vector<std::string>> bases, std::vector<std::vector<std::string>> tails)
      : state_(std::move(state)), bases_(std::move(bases)), tails_(std::move(tails)) {}

  bool Known(const std::string& token) const { return Effect({token}) != Effect({}); }

  std::set<std::string> Switches() const {
    static const std::string kLetters = "abcdefghijklmnopqrstuvwxyz0123456789?-+*/.!#=";
    std::set<std::string> found;
    for (char first : kLetters) {
      const std::string two = std::string("-") + first;
      const bool two_known = Known(two);
      if (two_known) found.insert(two);
      for (char third : kLetters) {
        const std::string three = two + third;
        const std::string effect = Effect({three});
        if (effect == Effect({})) continue;
        if (two_known && (effect == Effect({two}) || effect == Effect({two, std::string(1, third)}))) continue;
        found.insert(three);
      }
    }
    return found;
  }

 private:
  std::string Effect(const std::vector<std::string>& tokens) const {
    std::string all;
    for (const auto& base : bases_) {
      for (const auto& tail : tails_) {
        std::vector<std::string> args{"program"};
        args.insert(args.end(), base.begin(), base.end());
        args.insert(args.end(), tokens.begin(), tokens.end());
        args.insert(args.end(), tail.begin(), tail.end());
        all += state_(args) + '\x1f';
      }
    }
    return all;
  }

  State state_;
  std::vector<std::vector<std::string>> bases_;
  std::vector<std::vector<std::string>> tails_;
};

// What groff says about a page when asked for every warning; "" when
// nothing.
inline std::string GroffWarnings(const std::string& name) {
  const std::string command = "groff -ww -man -z '" + std::string(TOLVAR_MAN_DIR) + "/" + name + "' 2>&1";
  std::string said;
  if (FILE* out = ::popen(command.c_str(), "r")) {
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, out)) > 0) said.append(buf, n);
    if (::pclose(out) != 0) said += "(groff failed)";
  } else {
    said = "(groff could not be started)";
  }
  return said;
}

}  // namespace tolvar::testing
