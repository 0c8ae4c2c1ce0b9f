// Stored statements: the text the knowledge base keeps for a statement key, filled in with the
// caller's arguments. "%@" takes the next argument, "%N$@" the N-th (so one identifier list can
// be used several times in one text), "%%" is a percent sign; any other "%" stays as it is.
// Arguments are numbers or lists of numbers made by the program (never text read from a store),
// so nothing a browser wrote is ever formatted into SQL. Pure; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace BVPrivacyStatement {

// The format with its placeholders filled; a placeholder without an argument becomes "NULL".
std::string format(const std::string& format, const std::vector<std::string>& arguments);

// Numbers joined by `separator` (", " or ","), as the removal statements take them.
std::string joinedIdentifiers(const std::vector<int64_t>& identifiers, const std::string& separator);

}  // namespace BVPrivacyStatement
