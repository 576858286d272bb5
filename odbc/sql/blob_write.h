#pragma once
// The writing side of BLOBs: the value the program fills through BLOB
// properties and slices, which the next ADD or PUT sends.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

namespace blobprop {
inline constexpr long Handle = 31894, Size = 31929, Name = 29462, Contents = 31744,
                      ContentsToo = 31935;
}

// BLOB_SET_PROP: numbers[0] the BLOB number from 1; texts: property, value.
int SetBlobProperty(OperationContext& ctx);
// BLOB_TAKE: numbers: BLOB number, first and last byte (0-based, inclusive);
// the text is assigned to those bytes, cut or padded with blanks.
int TakeBlobSlice(OperationContext& ctx);

// The BLOB named by the operation's first number (from 1); nullptr for none.
BlobEntry* BlobArgument(OperationContext& ctx);
// A decimal number in which every character that is not a digit is skipped
// (property numbers and values of the BLOB operations).
std::int64_t DigitsOf(std::string_view text);

// Sets a BLOB's size; a different size marks it changed and resizes its storage.
void SetBlobSize(BlobEntry& blob, std::int64_t size);

}  // namespace dbprobe::odbc
