#include "odbc/session/connect_string.h"

#include <algorithm>
#include <cctype>

namespace dbprobe::odbc {
namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

}  // namespace

std::vector<std::string> SplitOwner(std::string_view owner, std::size_t maxParts) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < owner.size(); ++i) {
        const char c = owner[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted && parts.size() + 1 < maxParts) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    return parts;
}

std::string BuildConnectString(std::string_view owner) {
    if (owner.empty()) return {};
    std::vector<std::string> parts = SplitOwner(owner, 4);
    const std::string first = Upper(parts[0]);
    if (first.find("DSN=") != std::string::npos || first.find("DRIVER=") != std::string::npos)
        return std::string(owner);
    parts.resize(4);
    std::string text;
    if (!parts[0].empty()) text.append("DSN=").append(parts[0]);
    // Every piece after the name is preceded by ";", so an owner without a
    // name starts with ";".
    if (!parts[1].empty()) text.append(";UID=").append(parts[1]);
    if (!parts[2].empty()) text.append(";PWD=").append(parts[2]);
    if (!parts[3].empty()) text.append(";").append(parts[3]);
    if (text.empty()) text.push_back(';');
    return text;
}

ConnectCredentials SplitForConnect(std::string_view owner) {
    std::vector<std::string> parts = SplitOwner(owner, 3);
    parts.resize(3);
    return {parts[0], parts[1], parts[2]};
}

}  // namespace dbprobe::odbc
