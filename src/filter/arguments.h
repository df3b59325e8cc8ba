// Splitting of a raw command line into arguments (Windows hands tagsift one
// string; Linux hands it argv, which needs no splitting).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tagsift::filter {

// Bytes at or below 0x20 separate arguments. A double quote opens a group
// that runs to the next double quote or the end; blanks inside it are
// ordinary and the quotes are dropped, so quoted and unquoted stretches join
// into one argument. Pairs of double quotes at the very start of an argument
// are skipped: an empty quoted argument yields nothing. There is no escape.
std::vector<std::string> SplitArguments(std::string_view raw);

}  // namespace tagsift::filter
