#include "odbc/session/trace_profile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "odbc/dispatch/driver_state.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/trace_logger.h"
#include "odbc/sql/packed_decimal.h"

namespace dbprobe::odbc {
namespace {

constexpr std::uint8_t kNoProfileLine = 2;  // FileDescriptor::runtimeFlags
// Where the declaration's keywords start: the FILE line; keys, BLOBs and
// RECORD two further; the fields two further again.
constexpr std::size_t kFileColumn = 36;
constexpr std::size_t kIndent = 2;
constexpr std::size_t kListingColumn = 36;

// The text padded with blanks to the column; a longer text still gets one
// blank so that it never runs into the keyword.
std::string PadTo(std::string_view text, std::size_t column) {
    std::string out(text);
    out.append(out.size() < column ? column - out.size() : 1, ' ');
    return out;
}

std::string NameOf(const FieldEntry& field) { return field.label.empty() ? field.columnName : field.label; }

template <typename T>
T Load(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::string Number(double value) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string("?");
}

std::string Number(float value) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string("?");
}

std::string HexBytes(const char* at, std::int32_t size) {
    std::string out;
    char byte[4];
    for (std::int32_t i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02X", static_cast<unsigned char>(at[i]));
        out += byte;
    }
    return out + "H";
}

bool ValidDate(int day, int month, int year) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day <= 28 || leap;
}

// DATE: day, month, then the year as a 16-bit number.
std::string DateText(const unsigned char* b) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const long stored = static_cast<long>(Load<std::uint32_t>(reinterpret_cast<const char*>(b)));
    const int day = b[0], month = b[1], year = b[2] | (b[3] << 8);
    char text[64];
    if (ValidDate(day, month, year))
        std::snprintf(text, sizeof text, "%02d %s %d (%ld)", day, kMonths[month - 1], year, stored);
    else
        std::snprintf(text, sizeof text, "Invalid date (%ld)", stored);
    return text;
}

// TIME: hundredths, seconds, minutes, hours.
std::string TimeText(const unsigned char* b) {
    const long stored = static_cast<long>(Load<std::uint32_t>(reinterpret_cast<const char*>(b)));
    const int hundredths = b[0], seconds = b[1], minutes = b[2], hours = b[3];
    char text[64];
    if (hours < 24 && minutes < 60 && seconds < 60 && hundredths < 100)
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%02d (%ld)", hours, minutes, seconds,
                      hundredths, stored);
    else
        std::snprintf(text, sizeof text, "Invalid time (%ld)", stored);
    return text;
}

std::string_view TrimEnd(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
    return s;
}

std::string Quoted(std::string_view s) { return "'" + std::string(TrimEnd(s)) + "'"; }

std::string_view TypeName(int type) {
    switch (type) {
        case kind::BYTE: return "BYTE";
        case kind::SHORT: return "SHORT";
        case kind::USHORT: return "USHORT";
        case kind::DATE: return "DATE";
        case kind::TIME: return "TIME";
        case kind::LONG: return "LONG";
        case kind::ULONG: return "ULONG";
        case kind::SREAL: return "SREAL";
        case kind::REAL: return "REAL";
        case kind::DECIMAL: return "DECIMAL";
        case kind::PDECIMAL: return "PDECIMAL";
        case kind::BFLOAT4: return "BFLOAT4";
        case kind::BFLOAT8: return "BFLOAT8";
        case kind::STRING: return "STRING";
        case kind::CSTRING: return "CSTRING";
        case kind::PSTRING: return "PSTRING";
        case kind::MEMO: return "MEMO";
        case kind::GROUP: return "GROUP";
        case kind::BLOB: return "BLOB";
    }
    return "UNKNOWN";
}

// "(digits,places)" for the decimals, "(size)" for the strings.
std::string SizeText(const FieldEntry& field) {
    char text[64];
    const auto size = static_cast<unsigned>(field.size);
    switch (field.type) {
        case kind::DECIMAL:
        case kind::PDECIMAL: {
            const unsigned digits = size == 0 ? 0 : size * 2 - 1;
            const auto places = static_cast<unsigned>(field.descriptor != nullptr ? field.descriptor->decimals : 0);
            std::snprintf(text, sizeof text, "(%u,%u)", digits, places);
            return text;
        }
        case kind::STRING:
        case kind::CSTRING:
        case kind::PSTRING:
            std::snprintf(text, sizeof text, "(%u)", size);
            return text;
    }
    return {};
}

void AppendFileLine(std::vector<std::string>& lines, const DriverState& state) {
    const std::string name = state.name.value_or("");
    std::string line = PadTo(name, kFileColumn) + "FILE,DRIVER('" + state.driverName;
    const std::string driverString = state.driverString.value_or("");
    if (!driverString.empty()) line += "','" + driverString;
    line += "')";
    // The owner carries the login; it never goes into a log.
    if (state.owner && !state.owner->empty()) line += ",OWNER(******)";
    if (!name.empty()) line += ",NAME('" + name + "')";
    if (state.fileAttributes & stateattr::CREATE) line += ",CREATE";
    if (state.fileAttributes & stateattr::ENCRYPT) line += ",ENCRYPT";
    if (state.fileAttributes & stateattr::RECLAIM) line += ",RECLAIM";
    if (state.fileAttributes & stateattr::THREAD) line += ",THREAD";
    lines.push_back(std::move(line));
}

void AppendKeyLines(std::vector<std::string>& lines, const DriverState& state) {
    const std::size_t column = kFileColumn + kIndent;
    for (const KeyState& key : state.keys) {
        std::string line = PadTo(key.label, column);
        line += (key.attributes & keyattr::INDEX) ? "INDEX(" : "KEY(";
        for (std::size_t i = 0; i < key.components.size(); ++i) {
            const KeyComponent& c = key.components[i];
            if (i > 0) line += ",";
            line += c.descending ? "-" : "+";
            if (c.field >= 0 && static_cast<std::size_t>(c.field) < state.fields.size())
                line += NameOf(state.fields[static_cast<std::size_t>(c.field)]);
        }
        line += ")";
        if (key.attributes & keyattr::DUP) line += ",DUP";
        if (key.attributes & keyattr::OPT) line += ",OPT";
        if (key.attributes & keyattr::NOCASE) line += ",NOCASE";
        if (key.attributes & keyattr::PRIMARY) line += ",PRIMARY";
        if (!key.externalName.empty()) line += ",NAME('" + key.externalName + "')";
        lines.push_back(std::move(line));
    }
}

void AppendBlobLines(std::vector<std::string>& lines, const DriverState& state) {
    const std::size_t column = kFileColumn + kIndent;
    for (const BlobEntry& blob : state.blobs) {
        std::string line = PadTo(blob.label, column);
        if (blob.attributes & blobattr::BLOB)
            line += "BLOB";
        else
            line += "MEMO(" + std::to_string(blob.descriptor != nullptr ? blob.descriptor->memoSize : 0) + ")";
        if (!blob.externalName.empty()) line += ",NAME('" + blob.externalName + "')";
        if (blob.attributes & blobattr::BINARY) line += ",BINARY";
        lines.push_back(std::move(line));
    }
}

// The fields in declaration order; a nested GROUP is closed by an END of its
// own, aligned with its keyword.
void AppendFieldLines(std::vector<std::string>& lines, const DriverState& state) {
    struct Open {
        int remaining;
        int index;  // the GROUP's index; -1 for the record
        bool over;  // the GROUP or one of its ancestors lies over other fields
    };
    const auto& fields = state.fields;
    std::vector<Open> open{{1 << 30, -1, false}};
    auto column = [&] { return kFileColumn + kIndent * (open.size() + 1); };

    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldEntry& f = fields[i];
        std::string line = PadTo(NameOf(f), column());
        line += TypeName(f.type);
        line += SizeText(f);
        if (f.descriptor != nullptr && f.descriptor->picture != nullptr && *f.descriptor->picture != '\0')
            line += " " + std::string(f.descriptor->picture);
        if (f.elements > 1) line += ", DIM(" + std::to_string(f.elements) + ")";
        if (f.liesOver && !open.back().over) {
            // The earliest field at the same place that is not one of its groups.
            for (std::size_t j = 0; j < i; ++j) {
                if (fields[j].offset != f.offset) continue;
                bool ancestor = false;
                for (const Open& g : open) ancestor = ancestor || g.index == static_cast<int>(j);
                if (ancestor) continue;
                line += ", OVER(" + NameOf(fields[j]) + ")";
                break;
            }
        }
        if (!f.externalName.empty()) line += ", NAME('" + f.externalName + "')";
        lines.push_back(std::move(line));

        if (f.type == kind::GROUP) {
            const int members = f.descriptor != nullptr ? f.descriptor->memberCount : 0;
            open.push_back({members, static_cast<int>(i), open.back().over || f.liesOver});
        } else {
            --open.back().remaining;
        }
        while (open.size() > 1 && open.back().remaining <= 0) {
            open.pop_back();
            lines.push_back(PadTo("", column()) + "END");
            --open.back().remaining;
        }
    }
}

std::string ListingLine(std::string_view label, std::string_view value) {
    std::string line = " " + std::string(label);
    if (line.size() < kListingColumn + 1) line.append(kListingColumn + 1 - line.size(), ' ');
    return line + ": " + std::string(value);
}

void AppendFieldValues(std::vector<std::string>& lines, const DriverState& state,
                       const FieldEntry& field) {
    if (field.type == kind::GROUP || state.recordBuffer == nullptr) return;
    if (field.offset < 0 ||
        static_cast<std::int64_t>(field.offset) + static_cast<std::int64_t>(field.size) * field.elements >
            state.recordSize)
        return;
    if (field.elements <= 1) {
        lines.push_back(ListingLine(NameOf(field), FieldValueText(field, state.recordBuffer)));
        return;
    }
    for (int e = 0; e < field.elements; ++e)
        lines.push_back(ListingLine(NameOf(field) + "[" + std::to_string(e + 1) + "]",
                                    FieldValueText(field, state.recordBuffer, e)));
}

void WriteLines(TraceLogger& log, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) log.WriteLine(line);
}

}  // namespace

std::string FieldValueText(const FieldEntry& field, const char* record, int element) {
    const char* at = record + field.offset + static_cast<std::ptrdiff_t>(field.size) * element;
    const auto* bytes = reinterpret_cast<const unsigned char*>(at);
    const std::int32_t size = field.size;
    const int decimals = field.descriptor != nullptr ? field.descriptor->decimals : 0;
    char text[32];
    switch (field.type) {
        case kind::BYTE:
            if (size < 1) break;
            std::snprintf(text, sizeof text, "%02XH", bytes[0]);
            return text;
        case kind::SHORT:
            if (size < 2) break;
            return std::to_string(Load<std::int16_t>(at));
        case kind::USHORT:
            if (size < 2) break;
            return std::to_string(Load<std::uint16_t>(at));
        case kind::LONG:
            if (size < 4) break;
            return std::to_string(Load<std::int32_t>(at));
        case kind::ULONG:
            if (size < 4) break;
            return std::to_string(Load<std::uint32_t>(at));
        case kind::SREAL:
            if (size < 4) break;
            return Number(Load<float>(at));
        case kind::REAL:
            if (size < 8) break;
            return Number(Load<double>(at));
        case kind::DATE:
            if (size < 4) break;
            return DateText(bytes);
        case kind::TIME:
            if (size < 4) break;
            return TimeText(bytes);
        case kind::DECIMAL:
        case kind::PDECIMAL:
            return PackedToText(at, size, decimals, decimals);
        case kind::STRING:
            return Quoted(std::string_view(at, static_cast<std::size_t>(size)));
        case kind::CSTRING: {
            const void* nul = std::memchr(at, '\0', static_cast<std::size_t>(size));
            const std::size_t length =
                nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - at)
                               : static_cast<std::size_t>(size);
            return Quoted(std::string_view(at, length));
        }
        case kind::PSTRING: {
            if (size < 1) return "''";
            const std::size_t length = std::min<std::size_t>(bytes[0], static_cast<std::size_t>(size - 1));
            return Quoted(std::string_view(at + 1, length));
        }
    }
    // BFLOAT4, BFLOAT8 and anything the listing has no form for: the bytes.
    return HexBytes(at, size);
}

std::vector<std::string> HexDumpLines(const void* data, std::size_t size) {
    std::vector<std::string> lines;
    const auto* bytes = static_cast<const unsigned char*>(data);
    char hex[4];
    for (std::size_t start = 0; start < size; start += 16) {
        std::string line;
        std::string chars;
        for (std::size_t i = start; i < start + 16; ++i) {
            if (i < size) {
                std::snprintf(hex, sizeof hex, "%02X ", bytes[i]);
                line += hex;
                chars += bytes[i] >= 32 && bytes[i] <= 126 ? static_cast<char>(bytes[i]) : '.';
            } else {
                line += "   ";
            }
        }
        lines.push_back(line + " | " + chars);
    }
    return lines;
}

bool ListsRecord(int operation) {
    switch (operation) {
        case op::ADD:
        case op::APPEND:
        case op::DELETE:
        case op::GETfilekey:
        case op::GETfileptr:
        case op::GETkeyptr:
        case op::NEXT:
        case op::PUT:
        case op::PREVIOUS:
        case op::ADDfilelen:
        case op::GETfileptrlen:
        case op::PUTfileptr:
        case op::PUTfileptrlen:
        case op::APPENDlen:
        case op::REGETfile:
        case op::REGETkey:
            return true;
    }
    return false;
}

bool ListsKeyValues(int operation) { return operation == op::SETkeykey || operation == op::SETkeykeyptr; }

std::string ProfileLineText(int operation, const FileDescriptor& file, const DriverState& state,
                            const KeyState* key, int result) {
    std::string line(op::Name(operation));
    line += "(";
    line += state.name.value_or("");
    line += ":";
    line += TraceHex(static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(&file)));
    if (key != nullptr && op::TakesKey(operation)) {
        line += ",";
        line += key->externalName.empty() ? key->label : key->externalName;
        line += "[" + std::to_string(key->number) + "]";
    }
    line += ") ";
    if (result == err::FileSystemError)
        line += CurrentErrors().fileErrorText;
    else if (result != 0)
        line += "Error: " + ErrorText(result) + " ";
    return line;
}

std::vector<std::string> DeclarationLines(const DriverState& state) {
    std::vector<std::string> lines;
    AppendFileLine(lines, state);
    AppendKeyLines(lines, state);
    AppendBlobLines(lines, state);
    lines.push_back(PadTo("", kFileColumn + kIndent) + "RECORD");
    AppendFieldLines(lines, state);
    lines.push_back(PadTo("", kFileColumn + kIndent) + "END");
    lines.push_back(PadTo("", kFileColumn) + "END");
    return lines;
}

std::vector<std::string> RecordLines(const DriverState& state) {
    std::vector<std::string> lines;
    for (const FieldEntry& field : state.fields) AppendFieldValues(lines, state, field);
    for (const BlobEntry& blob : state.blobs) {
        lines.push_back(ListingLine(blob.label.empty() ? blob.columnName : blob.label,
                                    std::to_string(blob.contents.size()) + " bytes"));
        for (std::string& dump : HexDumpLines(blob.contents.data(), blob.contents.size()))
            lines.push_back(" " + dump);
    }
    return lines;
}

std::vector<std::string> KeyValueLines(const DriverState& state, const KeyState& key) {
    std::vector<std::string> lines;
    for (const KeyComponent& c : key.components)
        if (c.field >= 0 && static_cast<std::size_t>(c.field) < state.fields.size())
            AppendFieldValues(lines, state, state.fields[static_cast<std::size_t>(c.field)]);
    return lines;
}

void WriteOperationProfile(TraceLogger& log, int operation, const FileDescriptor& file,
                           const DriverState& state, const KeyState* key, int result,
                           long startMark) {
    if (!log.ProfileOn() || (file.runtimeFlags & kNoProfileLine) || operation == op::Internal87 ||
        operation == op::Internal91)
        return;
    const bool details = log.DetailsOn();
    // The declaration heads the file's first line so that the listings that
    // follow can be read against it.
    if (details && !log.declarationWritten) {
        log.declarationWritten = true;
        WriteLines(log, DeclarationLines(state));
    }
    log.EndLine();
    log.WriteText(ProfileLineText(operation, file, state, key, result));
    log.WriteTimeTaken(startMark);
    if (!details) return;
    if (ListsRecord(operation))
        WriteLines(log, RecordLines(state));
    else if (ListsKeyValues(operation) && key != nullptr)
        WriteLines(log, KeyValueLines(state, *key));
}

}  // namespace dbprobe::odbc
