#include "odbc/dispatch/text.h"

namespace dbprobe::odbc {

std::optional<std::string> CopyText(const TextRef& ref) {
    if (ref.text == nullptr || ref.length == 0) return std::nullopt;
    if (ref.length == TextRef::kZeroTerminated) return std::string(ref.text);
    if (ref.length == TextRef::kLengthPrefixed) {
        auto n = static_cast<unsigned char>(ref.text[0]);
        if (n == 0) return std::nullopt;
        return std::string(ref.text + 1, n);
    }
    // Any other negative length is not a length the runtime produces.
    if (ref.length < 0) return std::nullopt;
    std::size_t n = static_cast<std::size_t>(ref.length);
    while (n > 0 && ref.text[n - 1] == ' ') --n;
    return std::string(ref.text, n);
}

}  // namespace dbprobe::odbc
