// "Did you mean": the known name closest to what was typed, when one is close enough (a typo of
// one or two letters, or a prefix). Pure; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

std::optional<std::string> BVClosestName(const std::string& typed, const std::vector<std::string>& known);
// " (did you mean 'x'?)" or "".
std::string BVDidYouMean(const std::string& typed, const std::vector<std::string>& known);
