#pragma once
// The driver's own state of one declared file, attached on the first operation.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "odbc/dispatch/descriptor.h"
#include "odbc/session/file_options.h"
#include "odbc/sql/column_description.h"
#include "odbc/sql/column_types.h"

namespace dbprobe::odbc {

class DataSource;
class Statement;
class TraceLogger;

struct StatementDeleter {
    void operator()(Statement* statement) const;
};
using StatementPtr = std::unique_ptr<Statement, StatementDeleter>;

// Kinds of the statement slots of a file.
namespace slotkind {
inline constexpr int Main = 1;  // executed directly; allocated while connecting
inline constexpr int Read = 2;  // the read statements, kinds 2 to 9
inline constexpr int Insert = 10;
inline constexpr int Update = 11;
inline constexpr int Delete = 12;
}

// Kinds of read statement: which SELECT they send.
namespace readkind {
inline constexpr int Forward = 2,   // SETkey + NEXT
    Backward = 3,                   // SETkey + PREVIOUS
    FromForward = 4,                // SETkeykey or RESETkey + NEXT
    FromBackward = 5,               // SETkeykey or RESETkey + PREVIOUS
    Equal = 6,                      // GETfilekey
    Duplicate = 7,                  // DUPLICATE, DUPLICATEkey
    FileOrder = 8,                  // SETfile + NEXT
    ByKey = 9;                      // REGETfile, REGETkey
}

struct StatementSlot {
    int kind = 0;
    StatementPtr statement;
};

struct KeyState;

// Values bound as parameters of one statement: one buffer and one
// length/indicator per parameter, stable until the statement executes again.
struct ParameterSet {
    std::vector<std::vector<char>> values;
    std::vector<SQLLEN> indicators;
};

// A SELECT that reads rows into the record, with its fetch buffer.
struct ReadStatement {
    ReadStatement() = default;
    explicit ReadStatement(int k) : kind(k) {}

    int kind = 0;
    KeyState* key = nullptr;  // none for file order
    StatementSlot slot{slotkind::Read, nullptr};
    std::string text;              // the SELECT it was prepared with
    std::string oneShot;           // the one-shot filter it was prepared with
    std::vector<bool> isNull;      // components compared with IS NULL (kinds 6, 7, 9)
    bool columnsBound = false;     // result columns bound on this statement handle
    SQLUINTEGER concurrency = SQL_CONCUR_READ_ONLY;
    SQLUINTEGER cursorType = SQL_CURSOR_FORWARD_ONLY;
    ParameterSet parameters;
    // R rows per column; an element per row in the binding's format.
    int rows = 1;
    std::vector<std::vector<char>> values;   // per field; empty for fields without a column
    std::vector<std::vector<SQLLEN>> indicators;
    std::vector<SQLUSMALLINT> rowStatus;
    SQLULEN held = 0;  // rows the buffer holds
    SQLULEN next = 0;  // the next row to deliver
    bool fetched = false;  // fetched since its last execution

    // Forgets the fetch buffer's rows (the cursor was closed or executed again).
    void Drain() {
        held = 0;
        next = 0;
    }
};

struct FieldEntry {
    int number = 0;  // 1-based, declaration order
    const FieldDescriptor* descriptor = nullptr;
    int type = 0;
    std::int32_t offset = 0;
    std::int32_t size = 0;
    std::int32_t elements = 1;
    bool liesOver = false;   // lies over an earlier field (or is a member of such a group)
    bool timestamp = false;  // a STRING(8) with a DATE+TIME group over it, or that group's parts
    std::string label;
    std::string externalName;  // as declared, switches included
    std::string columnName;
    bool nameFromLabel = false;

    // Marks from the '|' switches of the external name.
    bool binary = false;
    bool noWhere = false;
    int access = 0;  // 0 unknown, 1 writable, 2 read-only
    bool zeroNotNull = false;
    bool checkForNull = false;
    bool watch = false;

    ColumnDescription description;
    // How the value travels as a parameter: its binding, the exchange buffer
    // (empty for fields bound to their record bytes) and the bind indicator.
    FieldBinding binding;
    bool bindingChosen = false;
    std::vector<char> exchange;
    SQLLEN bindIndicator = 0;
    // Batch mode: one value and one indicator per buffered row.
    std::vector<char> batchValues;
    std::vector<SQLLEN> batchIndicators;

    // Whether the field becomes a column of its own.
    bool ProducesColumn() const { return type != kind::GROUP && !liesOver; }
};

struct KeyComponent {
    int field = 0;  // index into DriverState::fields
    bool descending = false;
};

struct KeyState {
    const KeyDescriptor* descriptor = nullptr;  // none for the "All" key
    int number = 0;                             // 1-based; 0 for the "All" key
    std::string externalName;
    std::string label;
    std::string sqlName;  // the external name before its first '/'
    std::string hint;     // HINT and WHERE of the key's switch list
    std::string where;
    std::uint32_t attributes = 0;
    bool dynamic = false;     // an INDEX declared without components
    bool indexBuilt = false;  // the dynamic index has been built
    std::vector<KeyComponent> components;

    // The component values (each followed by a spare byte) of the row last
    // read or written; the saved copy is kept for unique keys only.
    std::vector<char> values;
    std::vector<char> savedValues;
    // The read statements of kinds 2 to 7, index kind - 2.
    std::array<ReadStatement, 6> reads;

    bool AllowsDuplicates() const { return (attributes & keyattr::DUP) != 0; }
};

struct BlobEntry {
    int number = 0;  // 1-based
    const BlobDescriptor* descriptor = nullptr;
    std::string externalName;
    std::string label;
    std::string columnName;
    std::uint8_t attributes = 0;
    // The value: `size` bytes (-1 while it has not been read from the server);
    // the storage holds at least that many.
    std::int64_t size = 0;
    std::vector<char> contents;
    bool changed = false;  // the program changed the value since it was read or written
    std::uint32_t block = 0;  // the memory block the handle property handed out; 0 none
    ColumnDescription description;
    SQLLEN bindIndicator = 0;  // data at execution, or NULL for an empty value
};

// Where a read sequence stands.
struct ReadState {
    int keyNumber = 0;     // 0 file order, else the 1-based key number
    int sequenceKind = 0;  // 41, 44, 45 or 64 until the first read, then 24 or 31
    int lastDirection = 0;
    KeyState* key = nullptr;
    ReadStatement* current = nullptr;     // what NEXT and PREVIOUS fetch from
    ReadStatement* blobSource = nullptr;  // whose current row BLOB values come from
    std::int64_t pendingSkip = 0;
    std::vector<char> keyScratch;  // record-sized: key values for parameters
    // The null state of the scratch values (-1 NULL), per field: a position's
    // markers land here, not on the record the program holds.
    std::vector<std::int64_t> scratchNulls;
    std::string savedPosition;     // of the current row, for a change of direction
    int readAhead = 0;             // blocks requested ahead (asynchronous backends)
    bool deleted = false;          // the current row was deleted since it was read
    bool resetShortcut = false;    // RESETkey's position matched the row last read
};

// The first ODBC failure of the current operation.
struct OdbcFailure {
    int failure = 0;
    std::string sqlState;
    std::int32_t nativeError = 0;
    std::string message;
};

// Driver-side file attributes (DriverState::fileAttributes).
namespace stateattr {
inline constexpr std::uint8_t ENCRYPT = 1, CREATE = 2, RECLAIM = 4, THREAD = 8;
}

// Texts set through SET_PROPERTY are no longer refreshed from the descriptor.
namespace propset {
inline constexpr std::uint8_t Name = 1, Owner = 2, DriverString = 4;
}

struct DriverState {
    FileDescriptor* file = nullptr;  // the descriptor this state is attached to

    std::optional<std::string> name;
    std::optional<std::string> owner;
    std::optional<std::string> driverString;
    std::string sqlTableName;
    std::optional<std::string> lastOwner;  // owner last used successfully by CREATE or OPEN
    std::string driverName = "ODBC";

    std::uint8_t fileAttributes = 0;
    std::uint8_t propertySet = 0;

    char* recordBuffer = nullptr;
    std::int32_t recordSize = 0;
    std::vector<FieldEntry> fields;
    int watchedFields = 0;  // fields with the WATCH switch
    std::vector<KeyState> keys;
    KeyState allKey;
    std::vector<BlobEntry> blobs;
    int primaryKey = 0;  // 1-based key number that identifies rows; 0 none
    ReadState read;
    ReadStatement fileOrder{readkind::FileOrder};
    ReadStatement byKey{readkind::ByKey};

    // Null indicators (-1 NULL) of the current record and of the record image.
    std::vector<std::int64_t> nullIndicators;
    std::vector<std::int64_t> imageNullIndicators;
    std::vector<char> recordImage;

    std::int32_t openMode = 0;
    std::uint32_t stateFlags = 0;
    std::uint32_t operationClass = 0;
    int lastOperation = 0;
    int lastResult = 0;
    int lastReadOperation = 0;
    int lastErrorCode = 0;
    bool invalidated = false;
    bool rebindPending = false;
    bool savedPositionArmed = false;
    std::int32_t holdTime = 0;  // -1 HOLDfile; seconds for HOLDfilesec

    OdbcFailure diagnostics;
    FileOptions options;
    std::unique_ptr<TraceLogger> traceLog;

    // The shared data source of the owner; empty until a statement is needed.
    std::shared_ptr<DataSource> dataSource;
    StatementSlot insertStatement{slotkind::Insert, nullptr};
    // Batch mode: rows the arrays hold, rows filled so far.
    int batchRows = 0;
    int batchFilled = 0;
    SQLULEN batchProcessed = 0;
    StatementSlot updateStatement{slotkind::Update, nullptr};
    StatementSlot deleteStatement{slotkind::Delete, nullptr};
    std::string deleteText;  // what the delete statement is prepared with
    ParameterSet deleteParameters;
    ParameterSet updateParameters;
    StatementSlot mainStatement{slotkind::Main, nullptr};
    // The file's own connect settings, handed to a data source it creates.
    bool logonScreen = true;
    std::uint32_t loginTimeout = 0;

    DriverState();
    DriverState(const DriverState&) = delete;
    DriverState& operator=(const DriverState&) = delete;

    // Frees the file's statements and leaves its data source.
    ~DriverState();

    // Clears the key descriptors' links into this state before it goes away.
    void UnlinkKeys();
    // Every statement slot of the file.
    std::vector<StatementSlot*> StatementSlots();
    // 1-based number of a key descriptor in the key table; 0 when not found.
    int KeyNumber(const KeyDescriptor* key) const;
    KeyState* FindKey(const KeyDescriptor* key);
    // The key that identifies rows; nullptr when every key allows duplicates.
    KeyState* PrimaryKey() { return primaryKey == 0 ? nullptr : &keys[primaryKey - 1]; }
    bool IsOpen() const;
};

}  // namespace dbprobe::odbc
