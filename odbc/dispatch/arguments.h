#pragma once
// The extra arguments of one record operation and its text result.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dbprobe::odbc {

struct KeyDescriptor;

struct Arguments {
    // The key of a key operation (SETkey, GETPROPERTYkey, ...).
    const KeyDescriptor* key = nullptr;
    // Numeric arguments in the order the runtime passes them (access mode,
    // BLOB number, byte positions, property index, ...).
    std::vector<std::int64_t> numbers;
    // Text arguments in push order: the last one is the top of the value stack.
    std::vector<std::string> texts;
    // The text result of the operations that push one.
    std::optional<std::string> textResult;

    static Arguments WithNumbers(std::vector<std::int64_t> values) {
        Arguments args;
        args.numbers = std::move(values);
        return args;
    }
    static Arguments WithKey(const KeyDescriptor* keyArgument) {
        Arguments args;
        args.key = keyArgument;
        return args;
    }
    static Arguments WithTexts(std::vector<std::string> values) {
        Arguments args;
        args.texts = std::move(values);
        return args;
    }

    std::int64_t Number(std::size_t i, std::int64_t fallback = 0) const {
        return i < numbers.size() ? numbers[i] : fallback;
    }
};

}  // namespace dbprobe::odbc
