#include "PrivacyModule/Sources/Tools/Database/BVPrivacyStatement.h"

#include <cctype>

namespace BVPrivacyStatement {

std::string format(const std::string& format, const std::vector<std::string>& arguments) {
    std::string out;
    out.reserve(format.size());
    size_t next = 0;
    auto argument = [&](size_t index) { return index < arguments.size() ? arguments[index] : std::string("NULL"); };
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (format[i + 1] == '@') {
            out += argument(next++);
            ++i;
        } else {
            size_t j = i + 1;
            while (j < format.size() && std::isdigit(static_cast<unsigned char>(format[j]))) ++j;
            if (j > i + 1 && j + 1 < format.size() && format[j] == '$' && format[j + 1] == '@') {
                size_t position = std::stoul(format.substr(i + 1, j - i - 1));
                out += position == 0 ? std::string("NULL") : argument(position - 1);
                i = j + 1;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string joinedIdentifiers(const std::vector<int64_t>& identifiers, const std::string& separator) {
    std::string out;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        if (i) out += separator;
        out += std::to_string(identifiers[i]);
    }
    return out;
}

}  // namespace BVPrivacyStatement
