#pragma once
// The operation profile: one line per record operation in the trace log, and
// with details on, the file's declaration and the record's contents.

#include <cstddef>
#include <string>
#include <vector>

namespace dbprobe::odbc {

class TraceLogger;
struct DriverState;
struct FieldEntry;
struct FileDescriptor;
struct KeyState;

// Writes the operation's profile line, ended by the time taken since
// startMark (a StartTimer mark). Writes nothing when the profile is off, when
// the descriptor's runtime flags ask for no line, and for Internal87 and
// Internal91. With details on, the file's declaration precedes its first line,
// and the operations that read or write a record are followed by its contents
// (SETkeykey and SETkeykeyptr: the key's values).
void WriteOperationProfile(TraceLogger& log, int operation, const FileDescriptor& file,
                           const DriverState& state, const KeyState* key, int result,
                           long startMark);

// The pieces of the profile, one log line per string.

// The profile line up to " Time Taken:": "NAME(file:0...H,key[n]) " and the
// error, if any.
std::string ProfileLineText(int operation, const FileDescriptor& file, const DriverState& state,
                            const KeyState* key, int result);
// Whether the record's contents follow the operation's line.
bool ListsRecord(int operation);
// Whether the key's values follow the operation's line.
bool ListsKeyValues(int operation);
// The file's declaration: FILE, keys, BLOBs, RECORD, fields, END, END.
std::vector<std::string> DeclarationLines(const DriverState& state);
// " label<blanks to 36>: value" for every field that holds a value (an array
// gives one line per element), then each BLOB's size and contents.
std::vector<std::string> RecordLines(const DriverState& state);
// The same lines for the key's component fields.
std::vector<std::string> KeyValueLines(const DriverState& state, const KeyState& key);
// The value of one element of a field in the record, as the listing shows it.
std::string FieldValueText(const FieldEntry& field, const char* record, int element = 0);
// 16 bytes a line: "%02X " per byte (three blanks for a missing one), " | ",
// then the bytes as characters with anything outside 32..126 as '.'.
std::vector<std::string> HexDumpLines(const void* data, std::size_t size);

}  // namespace dbprobe::odbc
