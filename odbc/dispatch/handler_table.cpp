#include <array>
#include <initializer_list>

#include "odbc/dispatch/handlers.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/blob_read.h"
#include "odbc/sql/blob_write.h"
#include "odbc/sql/counts.h"
#include "odbc/sql/read.h"
#include "odbc/sql/update.h"
#include "odbc/sql/insert.h"
#include "odbc/sql/remove.h"

namespace dbprobe::odbc {
namespace {

using HandlerTable = std::array<Handler, op::kTableSize>;

// Reading by record pointer has no meaning over SQL.
int GetByPointer(OperationContext& ctx) {
    return ctx.args.Number(0) != 0 ? err::UnsupportedFunction : err::RecordNotFound;
}

HandlerTable BuildTable() {
    using namespace op;
    struct Row {
        std::initializer_list<int> codes;
        Handler handler;
    };
    const Row rows[] = {
        {{CLOSE}, handlers::Close},
        {{DESTROY}, handlers::Destroy},
        {{HOLDfile, HOLDfilesec}, handlers::Hold},
        {{LOCKfile, LOCKfilesec, RELEASE, UNLOCK, STARTRAN, ENDTRAN, INVIEW, ENDVIEW, Accepted108},
         handlers::Succeed},
        {{PACK}, handlers::Pack},
        {{BUILDfile, BUILDkey, BUILDdyn}, handlers::Build},
        {{NAME}, handlers::Name},
        {{QUERY_KEY}, handlers::QueryKey},
        {{BOF, EOF_}, handlers::Unsupported},
        {{CLEAR}, handlers::Clear},
        {{NULL_, SETNULL, SETNONULL, GETNULLS, SETNULLS}, handlers::Nulls},
        {{OPEN, SHARE}, handlers::Open},
        {{CREATE}, handlers::Create},
        {{REMOVE}, RemoveTable},
        {{ADD, APPEND}, InsertRecord},
        {{BLOB_SET_PROP}, SetBlobProperty},
        {{BLOB_TAKE}, TakeBlobSlice},
        {{BLOB_SIZE}, BlobSizeOperation},
        {{BLOB_YIELD}, YieldBlobSlice},
        {{BLOB_GET_PROP}, GetBlobProperty},
        {{SETfile, SETkey, SETkeykey}, SetSequence},
        {{NEXT, PREVIOUS}, ReadNext},
        {{SKIP}, Skip},
        {{POSITIONfile, POSITIONkey}, Position},
        {{RESETkey}, ResetKey},
        {{REGETfile, REGETkey}, Reget},
        {{GETfilekey}, GetByKey},
        {{GETfileptr}, GetByPointer},
        {{DUPLICATE, DUPLICATEkey}, TestDuplicates},
        {{RECORDSfile, RECORDSkey, COUNTRECORDS, BYTES}, CountRecords},
        {{BUFFER}, SetBuffer},
        {{DELETE}, DeleteRecord},
        {{PUT}, PutRecord},
        {{EMPTY}, EmptyTable},
        {{WATCH}, Watch},
        {{LOGOUT, COMMIT, ROLLBACK}, handlers::Transaction},
        {{SEND}, handlers::Send},
        {{SET_PROPERTY, SETPROPERTYkey}, handlers::SetProperty},
        {{GET_PROPERTY, GETPROPERTYkey}, handlers::GetProperty},
    };
    HandlerTable table{};
    for (const Row& row : rows)
        for (int code : row.codes) table[code] = row.handler;
    return table;
}

HandlerTable& Table() {
    static HandlerTable table = BuildTable();
    return table;
}

}  // namespace

Handler HandlerFor(int operation) {
    if (operation < 0 || operation >= op::kTableSize) return nullptr;
    return Table()[operation];
}

ScopedHandler::ScopedHandler(int operation, Handler handler)
    : operation_(operation), previous_(Table().at(operation)) {
    Table()[operation] = handler;
}

ScopedHandler::~ScopedHandler() { Table()[operation_] = previous_; }

}  // namespace dbprobe::odbc
