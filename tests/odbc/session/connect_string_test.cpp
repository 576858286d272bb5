#include "odbc/session/connect_string.h"

#include <gtest/gtest.h>

namespace dbprobe::odbc {
namespace {

TEST(ConnectString, FromOwner) {
    struct Case {
        const char* owner;
        const char* expected;
    };
    const Case cases[] = {
        {"MYDSN", "DSN=MYDSN"},
        {"MYDSN,sa", "DSN=MYDSN;UID=sa"},
        {"MYDSN,sa,secret", "DSN=MYDSN;UID=sa;PWD=secret"},
        {"MYDSN,,secret", "DSN=MYDSN;PWD=secret"},
        {"MYDSN,sa,secret,DATABASE=x;APP=y", "DSN=MYDSN;UID=sa;PWD=secret;DATABASE=x;APP=y"},
        {"MYDSN,sa,secret,a,b", "DSN=MYDSN;UID=sa;PWD=secret;a,b"},
        {"DSN=Other;UID=me", "DSN=Other;UID=me"},
        {"dsn=lower,x", "dsn=lower,x"},
        {"Driver={SQLite3};Database=/tmp/a.db", "Driver={SQLite3};Database=/tmp/a.db"},
        {"\"My,DSN\",sa", "DSN=My,DSN;UID=sa"},
        {",sa,secret", ";UID=sa;PWD=secret"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(BuildConnectString(c.owner), c.expected) << c.owner;
}

TEST(ConnectString, CredentialsForSqlConnectTakeTheRestAsPassword) {
    struct Case {
        const char* owner;
        ConnectCredentials expected;
    };
    const Case cases[] = {
        {"MYDSN", {"MYDSN", "", ""}},
        {"MYDSN,sa,pa,ss", {"MYDSN", "sa", "pa,ss"}},
        {"\"A,B\",\"u,1\",p", {"A,B", "u,1", "p"}},
    };
    for (const Case& c : cases) {
        const ConnectCredentials got = SplitForConnect(c.owner);
        EXPECT_EQ(got.name, c.expected.name) << c.owner;
        EXPECT_EQ(got.user, c.expected.user) << c.owner;
        EXPECT_EQ(got.password, c.expected.password) << c.owner;
    }
}

}  // namespace
}  // namespace dbprobe::odbc
