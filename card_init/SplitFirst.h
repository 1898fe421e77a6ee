#pragma once

#include <string>

// Removes the first item of `list` (up to the first `delimiter`) and returns it in
// `item`. An empty list gives an empty item; a list without the delimiter is taken
// whole. Exactly one character is dropped at the delimiter.
void SplitFirst(std::string& list, const std::string& delimiter, std::string& item);
