#include "odbc/sql/key_sql.h"

#include <cstring>

#include "odbc/session/runtime_error_state.h"
#include "odbc/session/trace_logger.h"
#include "odbc/sql/conversions.h"

namespace dbprobe::odbc {
namespace {

const FieldEntry& FieldOf(const DriverState& file, const KeyComponent& c) {
    return file.fields[static_cast<std::size_t>(c.field)];
}

void PutInt32(std::string& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::int32_t GetInt32(std::string_view in, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return static_cast<std::int32_t>(value);
}

// One key block: length, key number, then each component's bytes and null marker.
void AppendBlock(const DriverState& file, const KeyState& key, std::string& out) {
    PutInt32(out, KeyValueLength(file, key) + 5);
    out.push_back(static_cast<char>(key.number));
    for (const KeyComponent& c : key.components) {
        const FieldEntry& field = FieldOf(file, c);
        const std::size_t at = out.size();
        out.append(file.recordImage.data() + field.offset, static_cast<std::size_t>(field.size));
        // A positive packed sign is written in its preferred form.
        if (field.type == kind::PDECIMAL && field.size > 0) {
            char& last = out[at + static_cast<std::size_t>(field.size) - 1];
            if ((last & 0x0F) == 0x0F) last = static_cast<char>((last & 0xF0) | 0x0C);
        }
        out.push_back(file.imageNullIndicators[static_cast<std::size_t>(c.field)] == -1 ? 1 : 0);
    }
}

// The primary key, when the position for `key` carries a block of it.
const KeyState* PrimaryBlockKey(const DriverState& file, const KeyState& key) {
    if (file.primaryKey == 0 || file.primaryKey == key.number) return nullptr;
    return &file.keys[static_cast<std::size_t>(file.primaryKey - 1)];
}

void TraceDetail(const DriverState& file, const std::string& text) {
    if (file.traceLog != nullptr && file.traceLog->TraceOn() && file.traceLog->DetailsOn())
        file.traceLog->WriteLine(text);
}

// Copies one block's values and null markers into the key scratch record.
void DecodeBlock(DriverState& file, const KeyState& key, std::string_view block) {
    std::size_t at = 0;
    for (const KeyComponent& c : key.components) {
        const FieldEntry& field = FieldOf(file, c);
        const auto size = static_cast<std::size_t>(field.size);
        std::memcpy(file.read.keyScratch.data() + field.offset, block.data() + at, size);
        file.read.scratchNulls[static_cast<std::size_t>(c.field)] = block[at + size] != 0 ? -1 : 0;
        at += size + 1;
    }
}

std::string KeyName(const KeyState& key) { return key.label.empty() ? key.externalName : key.label; }

}  // namespace

std::int32_t KeyValueLength(const DriverState& file, const KeyState& key) {
    std::int32_t length = 0;
    for (const KeyComponent& c : key.components) length += FieldOf(file, c).size + 1;
    return length;
}

std::string OrderList(const DriverState& file, const KeyState& key, bool ascending) {
    std::string list;
    for (std::size_t i = 0; i < key.components.size(); ++i) {
        const KeyComponent& c = key.components[i];
        const bool last = i + 1 == key.components.size();
        const bool descending = c.descending == ascending;
        list += FieldOf(file, c).columnName;
        if (descending)
            list += last ? " DESC " : " DESC,";
        else if (!last)
            list += ",";
    }
    return list;
}

std::string PositionCondition(const DriverState& file, const KeyState& key, bool forward) {
    std::string text = " (";
    for (std::size_t i = 0; i < key.components.size(); ++i) {
        const KeyComponent& c = key.components[i];
        const std::string& name = FieldOf(file, c).columnName;
        const bool rising = c.descending != forward;  // values grow along the read
        text += name + (rising ? " >= " : " <= ") + "?";
        if (i + 1 < key.components.size())
            text += " AND (" + name + (rising ? " > " : " < ") + "?" + " OR (";
    }
    text += " ";
    for (std::size_t i = 1; i < key.components.size(); ++i) text += "))";
    return text + ")";
}

std::string EqualityCondition(const DriverState& file, const KeyState& key, const char* record,
                              const std::vector<std::int64_t>& nulls, std::vector<bool>& isNull) {
    std::string text;
    isNull.assign(key.components.size(), false);
    for (std::size_t i = 0; i < key.components.size(); ++i) {
        const KeyComponent& c = key.components[i];
        const FieldEntry& field = FieldOf(file, c);
        if (i > 0) text += "AND";
        text += " " + field.columnName;
        isNull[i] = nulls[static_cast<std::size_t>(c.field)] == -1 &&
                    IsEmptyValue(ShapeOf(field), record + field.offset);
        text += isNull[i] ? std::string(" IS NULL ") : std::string(" = ") + "?" + " ";
    }
    return text;
}

void TakeKeyValues(const DriverState& file, const KeyState& key, const char* record,
                   const std::vector<std::int64_t>& nulls, std::vector<char>& values) {
    values.resize(static_cast<std::size_t>(KeyValueLength(file, key)));
    std::size_t at = 0;
    for (const KeyComponent& c : key.components) {
        const FieldEntry& field = FieldOf(file, c);
        const auto size = static_cast<std::size_t>(field.size);
        std::memcpy(values.data() + at, record + field.offset, size);
        values[at + size] = nulls[static_cast<std::size_t>(c.field)] == -1 ? 1 : 0;
        at += size + 1;
    }
}

void PutKeyValues(const DriverState& file, const KeyState& key, const std::vector<char>& values,
                  char* record) {
    std::size_t at = 0;
    for (const KeyComponent& c : key.components) {
        const FieldEntry& field = FieldOf(file, c);
        const auto size = static_cast<std::size_t>(field.size);
        if (at + size > values.size()) return;
        std::memcpy(record + field.offset, values.data() + at, size);
        at += size + 1;
    }
}

void KeyToScratch(DriverState& file, KeyState& key) {
    TakeKeyValues(file, key, file.recordBuffer, file.nullIndicators, key.values);
    PutKeyValues(file, key, key.values, file.read.keyScratch.data());
    for (const KeyComponent& c : key.components) {
        const auto field = static_cast<std::size_t>(c.field);
        file.read.scratchNulls[field] = file.nullIndicators[field];
    }
}

void RefreshSavedKeys(DriverState& file) {
    if (file.primaryKey == 0) return;
    for (KeyState& key : file.keys)
        if (!key.AllowsDuplicates())
            TakeKeyValues(file, key, file.recordImage.data(), file.imageNullIndicators,
                          key.savedValues);
}

std::string EncodePosition(const DriverState& file, const KeyState& key) {
    std::string position;
    PutInt32(position, 0);
    if (const KeyState* primary = PrimaryBlockKey(file, key)) AppendBlock(file, *primary, position);
    AppendBlock(file, key, position);
    std::string length;
    PutInt32(length, static_cast<std::int32_t>(position.size()));
    position.replace(0, 4, length);
    return position;
}

int DecodePosition(DriverState& file, const KeyState& key, std::string_view position) {
    const std::int32_t length = KeyValueLength(file, key);
    const KeyState* primary = PrimaryBlockKey(file, key);
    const std::int32_t primaryLength = primary != nullptr ? KeyValueLength(file, *primary) : 0;
    const std::string fileName = file.name.value_or("");
    if (static_cast<std::int64_t>(position.size()) < length + 5) return err::InvalidNumberOfParameters;
    const std::int32_t expected = primary != nullptr ? length + primaryLength + 14 : length + 9;
    if (GetInt32(position, 0) != expected ||
        static_cast<std::int64_t>(position.size()) < expected) {
        TraceDetail(file, (primary != nullptr ? "File Size wrong for file " : "File Size(2) wrong for file ") +
                              fileName);
        return err::InvalidNumberOfParameters;
    }
    std::size_t at = 4;
    std::string_view primaryBlock;
    if (primary != nullptr) {
        if (GetInt32(position, at) != primaryLength + 5 ||
            static_cast<unsigned char>(position[at + 4]) != primary->number) {
            TraceDetail(file, "Size not equal for key " + KeyName(*primary));
            return err::InvalidNumberOfParameters;
        }
        primaryBlock = position.substr(at + 5, static_cast<std::size_t>(primaryLength));
        at += static_cast<std::size_t>(primaryLength) + 5;
    }
    if (GetInt32(position, at) != length + 5) {
        TraceDetail(file, "Size not equal for key " + KeyName(key));
        return err::InvalidNumberOfParameters;
    }
    const int number = static_cast<unsigned char>(position[at + 4]);
    if (number != key.number) {
        const std::string other = number >= 1 && number <= static_cast<int>(file.keys.size())
                                      ? KeyName(file.keys[static_cast<std::size_t>(number - 1)])
                                      : std::to_string(number);
        TraceDetail(file, "Reseting on key " + KeyName(key) + " using Position from key " + other);
        return err::InvalidNumberOfParameters;
    }
    if (primary != nullptr) DecodeBlock(file, *primary, primaryBlock);
    DecodeBlock(file, key, position.substr(at + 5, static_cast<std::size_t>(length)));
    return 0;
}

std::string_view PositionRow(const DriverState& file, const KeyState& key, std::string_view position) {
    const KeyState* primary = PrimaryBlockKey(file, key);
    const auto length = static_cast<std::size_t>(
        primary != nullptr ? KeyValueLength(file, *primary) : KeyValueLength(file, key));
    if (position.size() < 9 + length) return {};
    return position.substr(9, length);
}

}  // namespace dbprobe::odbc
