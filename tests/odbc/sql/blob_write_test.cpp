#include "odbc/sql/blob_write.h"

#include <gtest/gtest.h>

#include "framework/platform/core/memory_blocks.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "tests/support/attached_table.h"

namespace dbprobe::odbc {
namespace {

int Succeeds(OperationContext&) { return 0; }

// The test table, open (its OPEN stood in), with BLOB 1 TST:POZNAMKA.
class BlobWriteTest : public ::testing::Test {
protected:
    BlobWriteTest() : table_("nowhere") {
        table_.Run(op::OPEN, Arguments::WithNumbers({0x22}));
    }
    BlobEntry& Blob() { return table_.State().blobs[0]; }
    int SetProp(long property, const std::string& value, std::int64_t blob = 1) {
        Arguments args = Arguments::WithTexts({std::to_string(property), value});
        args.numbers = {blob};
        table_.Run(op::BLOB_SET_PROP, args);
        return CurrentErrors().errorCode;
    }
    int Take(std::int64_t first, std::int64_t last, const std::string& text) {
        Arguments args = Arguments::WithTexts({text});
        args.numbers = {1, first, last};
        table_.Run(op::BLOB_TAKE, args);
        return CurrentErrors().errorCode;
    }
    std::string Value() { return std::string(Blob().contents.begin(), Blob().contents.end()); }

    ScopedHandler open_{op::OPEN, Succeeds};
    testing::AttachedTable table_;
};

TEST_F(BlobWriteTest, SizeThenSliceHoldsExactlyTheText) {
    const std::string text(276, 'x');
    ASSERT_EQ(SetProp(blobprop::Size, "276"), 0);
    EXPECT_EQ(Blob().size, 276);
    EXPECT_TRUE(Blob().changed);
    ASSERT_EQ(Take(0, 275, text), 0);
    EXPECT_EQ(Value(), text);

    Blob().changed = false;
    ASSERT_EQ(SetProp(blobprop::Size, "2 76 bytes"), 0);  // non-digits are skipped
    EXPECT_FALSE(Blob().changed);                          // the same size changes nothing
    ASSERT_EQ(Take(0, 2, "xxx"), 0);
    EXPECT_FALSE(Blob().changed);  // the same bytes change nothing
}

TEST_F(BlobWriteTest, SlicesArePaddedOrCutAndGrowTheValue) {
    struct Case {
        std::int64_t first, last;
        const char* text;
        std::string expected;
    };
    const Case cases[] = {
        {0, 4, "ab", "ab   "},
        {2, 3, "WXYZ", "abWX "},
        {6, 7, "zz", std::string("abWX \0zz", 8)},  // the gap stays zero
        {3, 2, "ignored", std::string("abWX \0zz", 8)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Take(c.first, c.last, c.text), 0);
        EXPECT_EQ(Value(), c.expected) << c.text;
        EXPECT_EQ(Blob().size, static_cast<std::int64_t>(c.expected.size()));
    }
}

TEST_F(BlobWriteTest, HandleContentsAndName) {
    const platform::BlockNumber block = platform::AllocateBlock(3);
    platform::LockBlock(block)->assign({'a', 'b', 'c'});
    ASSERT_EQ(SetProp(blobprop::Handle, std::to_string(block)), 0);
    EXPECT_EQ(Value(), "abc");
    EXPECT_EQ(Blob().size, 3);
    platform::FreeBlock(block);

    ASSERT_EQ(SetProp(blobprop::Handle, "0"), 0);
    EXPECT_EQ(Blob().size, 0);
    EXPECT_TRUE(Blob().contents.empty());

    ASSERT_EQ(SetProp(blobprop::Contents, "hello"), 0);
    EXPECT_EQ(Value(), "hello");
    EXPECT_EQ(Blob().size, 5);

    ASSERT_EQ(SetProp(blobprop::Name, "NOTE"), 0);
    EXPECT_EQ(Blob().columnName, "NOTE");

    EXPECT_EQ(SetProp(blobprop::Size, "1", 2), 75);  // there is no BLOB 2
}

}  // namespace
}  // namespace dbprobe::odbc
