#pragma once
// The declared OWNER of a file as an ODBC connect string.

#include <string>
#include <string_view>
#include <vector>

namespace dbprobe::odbc {

// Up to `maxParts` comma-separated parts; a part in double quotes keeps its
// commas and loses the quotes. The last part takes the rest of the text.
std::vector<std::string> SplitOwner(std::string_view owner, std::size_t maxParts);

// "DSN=name;UID=user;PWD=password;rest", or the owner unchanged when its first
// part already holds DSN= or DRIVER=.
std::string BuildConnectString(std::string_view owner);

// Name, user id and password for SQLConnect: the owner split at its first two
// commas.
struct ConnectCredentials {
    std::string name;
    std::string user;
    std::string password;
};
ConnectCredentials SplitForConnect(std::string_view owner);

}  // namespace dbprobe::odbc
