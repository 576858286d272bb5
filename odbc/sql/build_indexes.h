#pragma once
// BUILDfile and BUILDkey: drop the indexes of all keys (or of one) and create
// them again as CREATE does.

#include "odbc/dispatch/handlers.h"

namespace dbprobe::odbc {

int BuildIndexes(OperationContext& ctx);

}  // namespace dbprobe::odbc
