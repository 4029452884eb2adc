// Reading the one-line JSON run report that `delver --report` prints.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace delver::testing {

// True when text is one well-formed JSON object (strings, numbers, null,
// true/false, arrays, nested objects).
bool IsJsonObject(const std::string& text);

// The number stored under key at the top level, or nothing.
std::optional<double> JsonNumber(const std::string& json, const std::string& key);

// The numbers of the array stored under key, or nothing.
std::optional<std::vector<double>> JsonNumbers(const std::string& json, const std::string& key);

}  // namespace delver::testing
