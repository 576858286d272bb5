// Column names and the identifier rule, with the quote character, case rule
// and keyword list of a server the test chooses.

#include <gtest/gtest.h>

#include <sqlext.h>

#include "odbc/dispatch/operation.h"
#include "odbc/session/session.h"
#include "odbc/sql/column_names.h"
#include "tests/support/declared_file.h"
#include "tests/support/fake_session.h"

namespace dbprobe::odbc {
namespace {

using testing::Declaration;
using testing::DeclaredFile;
using testing::Field;
using testing::Group;

class ColumnNamesTest : public testing::FakeOdbcTest {};

FieldDescriptor Named(std::int32_t offset, const char* label, const char* external) {
    FieldDescriptor f = Field(kind::LONG, offset, 4, label);
    f.externalName = external;
    return f;
}

TEST_F(ColumnNamesTest, IdentifierRuleAppliedWhenTheFileConnects) {
    struct Case {
        const char* what;
        const char* quote;
        int quotedCase;
        const char* label;
        const char* external;
        const char* expected;
    };
    const Case cases[] = {
        {"a reserved word is quoted and upper-cased", "\"", SQL_IC_UPPER, "T:Order", nullptr, "\"ORDER\""},
        {"a label ending in a reserved word", "\"", SQL_IC_UPPER, "TST:ORDER", nullptr, "\"ORDER\""},
        {"case kept when the server keeps quoted case", "\"", SQL_IC_SENSITIVE, "T:Order", nullptr,
         "\"Order\""},
        {"a blank needs quotes", "`", SQL_IC_MIXED, "T:My Name", nullptr, "`MY NAME`"},
        {"a server keyword is reserved too", "\"", SQL_IC_UPPER, "T:limit", nullptr, "\"LIMIT\""},
        {"an ordinary name stays", "\"", SQL_IC_UPPER, "T:Cislo", nullptr, "Cislo"},
        {"a '.' is never quoted", "\"", SQL_IC_UPPER, "T:dbo.Order", nullptr, "dbo.Order"},
        {"already quoted stays", "\"", SQL_IC_UPPER, "T:\"Order\"", nullptr, "\"Order\""},
        {"no quote character: upper-cased only", " ", SQL_IC_UPPER, "T:order", nullptr, "ORDER"},
        {"an external name is never quoted", "\"", SQL_IC_UPPER, "T:X", "ORDER", "ORDER"},
        {"the character before '|' is dropped", "\"", SQL_IC_UPPER, "T:X", "Name |READONLY", "Name"},
        {"so without a blank the name loses a letter", "\"", SQL_IC_UPPER, "T:X", "Name|READONLY",
         "Nam"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseLibrary(FAKE_ODBC_LIBRARY);
        fake_odbc_set_info_text(SQL_IDENTIFIER_QUOTE_CHAR, c.quote);
        fake_odbc_set_info_number(SQL_QUOTED_IDENTIFIER_CASE, c.quotedCase);
        fake_odbc_set_info_text(SQL_KEYWORDS, "ILIKE,LIMIT,OFFSET");
        Declaration d;
        d.recordSize = 4;
        d.layout = {Group(0, 4, 1), Named(0, c.label, c.external)};
        DeclaredFile file(d, "Select", "MYDSN");
        ASSERT_EQ(file.Run(op::NAME), 0);
        DriverState& state = *file.file.driverState;
        // Before the file is connected no rule is applied.
        EXPECT_EQ(state.sqlTableName, "");
        ASSERT_EQ(EnsureStatement(state, state.mainStatement), 0);
        EXPECT_EQ(state.fields[0].columnName, c.expected);
        EXPECT_EQ(state.sqlTableName, std::string(c.quote) == " " ? "SELECT"
                                      : c.quotedCase == SQL_IC_SENSITIVE
                                          ? std::string(c.quote) + "Select" + c.quote
                                          : std::string(c.quote) + "SELECT" + c.quote);
    }
}

TEST(WordList, ScannedAsSorted) {
    EXPECT_TRUE(InWordList("order", ReservedWords()));
    EXPECT_TRUE(InWordList("END-EXEC", ReservedWords()));
    EXPECT_TRUE(InWordList("char_length", ReservedWords()));
    EXPECT_TRUE(InWordList("YEAR", ReservedWords()));
    EXPECT_TRUE(InWordList("ABSOLUTE", ReservedWords()));
    EXPECT_FALSE(InWordList("ZONE", ReservedWords()));
    EXPECT_FALSE(InWordList("CISLO", ReservedWords()));
    EXPECT_FALSE(InWordList("ORDERS", ReservedWords()));
    EXPECT_FALSE(InWordList("", ReservedWords()));
    // A server list out of order loses the words after a later one.
    EXPECT_FALSE(InWordList("ALPHA", "ZETA,ALPHA"));
    EXPECT_TRUE(InWordList("ZETA", "ZETA,ALPHA"));
}

}  // namespace
}  // namespace dbprobe::odbc
