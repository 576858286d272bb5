#pragma once
// The driver switches and numbered properties kept on a file's driver state.

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace dbprobe::odbc {

// Settings that live on the shared data source. A file that has no data source
// yet keeps them pending and hands them over when it connects.
enum class SourceSetting {
    BindConstants,
    BindColOrder,
    ClipStrings,
    FastColumnFetch,
    ForceUpperCase,
    IsolationLevel,  // the normal SQL_TXN_ISOLATION
    JoinType,
    LogonScreen,
    Nesting,
    UseInnerJoin,
    MaxStatements,         // per connection
    TransactionIsolation,  // inside a transaction frame
    Count
};
inline constexpr std::size_t kSourceSettings = static_cast<std::size_t>(SourceSetting::Count);

// Statement options a file keeps for its statements (property index 0..14).
inline constexpr std::size_t kStatementOptions = 15;

// Rows per block fetch are capped: every read statement holds that many rows.
inline constexpr long kMaxRowsPerFetch = 65535;

struct FileOptions {
    bool gatherAtOpen = false;
    bool ignoreTruncation = false;
    bool noVerify = false;  // also TURBOSQL
    bool odbcCall = true;
    bool orderInSelect = true;
    bool verifyViaSelect = false;
    bool noPrimary = false;
    bool usePrimary = false;
    // How a zero DATE is sent: as NULL while zeroIsNull holds; otherwise
    // zeroDate 0 keeps the zero, any other value is the date sent instead
    // (yyyymmdd; 1 stands for 0001-01-01).
    bool zeroIsNull = true;
    long zeroDate = 0;
    std::string where;         // the standing filter
    std::string oneShotWhere;  // cleared by the next SET
    std::string hint;
    std::string oneShotHint;  // never read back

    std::string sqlText;  // property 29252, kept for the SQL layer
    // Property 29255 as set; unset it reads 1 on the SQL Server backends.
    std::optional<long> sqlServerFlag;
    std::array<std::optional<long>, kStatementOptions> statementOptions;
    int rowsPerFetch = 1;
    int batchSize = 0;  // rows buffered per ADD; 0 sends each row at once

    // Data-source settings given before the file had a data source.
    std::array<std::optional<long>, kSourceSettings> pendingSource;
    std::optional<std::string> pendingQuote;  // identifier quote text
};

}  // namespace dbprobe::odbc
