#pragma once
// TEST_DAT: the test table as the runtime hands it to the driver.

#include <array>
#include <cstdint>

#include "odbc/dispatch/descriptor.h"
#include "odbc/dispatch/text.h"

namespace dbprobe::app {

// The tester's global variables that the declaration reads at each operation:
// all blank at start, assigned when the test starts.
struct TesterVariables {
    odbc::FixedText<64> dataSource;       // GLO:DATASOURCE, the owner
    odbc::FixedText<64> tableName;        // the table's NAME
    odbc::FixedText<32> primaryKeyName;   // external name of TST:PRIMARY
    odbc::FixedText<32> secondKeyName;    // external name of TST:KEYNAZEV
    odbc::FixedText<80> driverString;     // never assigned: no driver options
};

// The process's tester variables.
TesterVariables& Globals();

inline constexpr std::int32_t kTestRecordSize = 259;
inline constexpr std::int32_t kNazevSize = 255;

// One instance of TEST_DAT: its record buffer, layout, keys and BLOB, and the
// file descriptor over them. The file is declared THREAD, so each thread has
// its own instance.
class TestDat {
public:
    explicit TestDat(const TesterVariables& variables);
    TestDat(const TestDat&) = delete;
    TestDat& operator=(const TestDat&) = delete;

    odbc::FileDescriptor& File() { return file_; }
    const odbc::KeyDescriptor& PrimaryKey() const { return primary_; }
    const odbc::KeyDescriptor& NameKey() const { return keyNazev_; }
    char* Record() { return record_.data(); }

    // TST:CISLO (LONG at 0) and TST:NAZEV (STRING(255) at 4).
    std::int32_t Cislo() const;
    void SetCislo(std::int32_t value);
    void SetNazev(std::string_view value);

private:
    std::array<char, kTestRecordSize> record_{};
    std::array<odbc::FieldDescriptor, 3> layout_{};
    std::array<std::int16_t, 1> primaryComponents_{};
    std::array<std::int16_t, 2> nazevComponents_{};
    odbc::KeyDescriptor primary_{};
    odbc::KeyDescriptor keyNazev_{};
    odbc::BlobDescriptor poznamka_{};
    std::array<const odbc::KeyDescriptor*, 2> keys_{};
    std::array<const odbc::BlobDescriptor*, 1> blobs_{};
    odbc::FileDescriptor file_{};
};

// This thread's instance of TEST_DAT over the process's variables.
TestDat& ThisThreadTestDat();

}  // namespace dbprobe::app
