#include "odbc/sql/record_values.h"

#include <algorithm>
#include <cstring>

#include "odbc/session/data_source.h"

namespace dbprobe::odbc {
namespace {

// The file's ZEROISNULL / ZERODATE options as the conversion layer takes them.
ZeroDate ZeroDateOf(const FileOptions& options) {
    ZeroDate z;
    if (options.zeroIsNull) return z;
    if (options.zeroDate == 0) {
        z.mode = ZeroDate::Mode::AsIs;
        return z;
    }
    // yyyymmdd; 1 stands for 0001-01-01.
    const long date = options.zeroDate == 1 ? 10101 : options.zeroDate;
    z.mode = ZeroDate::Mode::Configured;
    z.year = static_cast<int>(date / 10000);
    z.month = static_cast<int>(date / 100 % 100);
    z.day = static_cast<int>(date % 100);
    return z;
}

}  // namespace

bool Writable(const FieldEntry& field) {
    return field.ProducesColumn() && field.description.access != access::ReadOnly;
}

int ChooseBindings(DriverState& file) {
    const DataSource& source = *file.dataSource;
    BindingContext context;
    context.odbc1Driver = source.capabilities.odbc1Driver;
    context.backend = source.backend;
    context.noVerify = file.options.noVerify;
    for (FieldEntry& field : file.fields) {
        if (!field.ProducesColumn() || field.bindingChosen) continue;
        if (int code = ChooseBinding(ShapeOf(field), field.description, context, field.binding);
            code != 0)
            return code;
        if (!field.binding.Direct())
            field.exchange.assign(static_cast<std::size_t>(field.binding.elementLength), '\0');
        field.bindingChosen = true;
    }
    return 0;
}

SendSettings SendSettingsOf(const DriverState& file) {
    SendSettings settings;
    settings.clipStrings = file.dataSource->clipStrings;
    settings.backend = file.dataSource->backend;
    settings.zeroDate = ZeroDateOf(file.options);
    return settings;
}

void ValuePass(DriverState& file) {
    const SendSettings settings = SendSettingsOf(file);
    for (std::size_t i = 0; i < file.fields.size(); ++i) {
        FieldEntry& field = file.fields[i];
        if (!Writable(field)) continue;
        const char* bytes = file.recordBuffer + field.offset;
        const bool markedNull = file.nullIndicators[i] == -1;
        char* buffer = field.exchange.empty() ? nullptr : field.exchange.data();
        const bool null = PrepareParameter(ShapeOf(field), field.binding, field.description, bytes,
                                           markedNull, settings, buffer,
                                           field.binding.elementLength, 0);
        field.bindIndicator = ParameterLength(field.binding, ParameterUse::Input, null);
    }
}

PendingBinding ColumnParameter(const FieldEntry& field, SQLUSMALLINT number, SQLPOINTER buffer,
                               SQLLEN bufferLength, SQLLEN* indicator) {
    PendingBinding b;
    b.number = number;
    b.cType = field.binding.cType;
    b.sqlType = field.description.sqlType;
    b.precision = static_cast<SQLULEN>(field.description.columnSize);
    b.scale = field.description.decimalDigits;
    b.buffer = buffer;
    b.bufferLength = bufferLength;
    b.indicator = indicator;
    return b;
}

void QueueValueParameter(DriverState& file, FieldEntry& field, Statement& statement,
                         SQLUSMALLINT number) {
    SQLPOINTER buffer = field.exchange.empty()
                            ? static_cast<SQLPOINTER>(file.recordBuffer + field.offset)
                            : static_cast<SQLPOINTER>(field.exchange.data());
    statement.QueueParameter(
        ColumnParameter(field, number, buffer, field.binding.elementLength, &field.bindIndicator));
}

void QueueBlobParameter(BlobEntry& blob, Statement& statement, SQLUSMALLINT number) {
    blob.bindIndicator =
        blob.size > 0 ? SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(blob.size)) : SQL_NULL_DATA;
    PendingBinding b;
    b.number = number;
    b.cType = blob.description.cType;
    b.sqlType = blob.description.sqlType;
    b.buffer = &blob;
    b.indicator = &blob.bindIndicator;
    statement.QueueParameter(b);
}

void QueueFieldParameters(DriverState& file, Statement& statement, const std::vector<int>& fields,
                          const char* record, const std::vector<std::int64_t>& nulls,
                          ParameterSet& set, SQLUSMALLINT first) {
    set.values.resize(fields.size());
    set.indicators.resize(fields.size());
    const SendSettings settings = SendSettingsOf(file);
    for (std::size_t j = 0; j < fields.size(); ++j) {
        const auto index = static_cast<std::size_t>(fields[j]);
        const FieldEntry& field = file.fields[index];
        const char* bytes = record + field.offset;
        const bool direct = field.binding.Direct();
        const std::int32_t width = std::max(direct ? field.size : field.binding.elementLength, 1);
        // One byte more than the value, so that a direct text always ends in zero.
        std::vector<char>& buffer = set.values[j];
        buffer.assign(static_cast<std::size_t>(width) + 1, '\0');
        if (direct) std::memcpy(buffer.data(), bytes, static_cast<std::size_t>(field.size));
        const bool null = PrepareParameter(ShapeOf(field), field.binding, field.description, bytes,
                                           nulls[index] == -1, settings,
                                           direct ? nullptr : buffer.data(),
                                           field.binding.elementLength, 0);
        set.indicators[j] = ParameterLength(field.binding, ParameterUse::Input, null);
    }
    // Queued only once every buffer has its final place.
    for (std::size_t j = 0; j < fields.size(); ++j) {
        const FieldEntry& field = file.fields[static_cast<std::size_t>(fields[j])];
        statement.QueueParameter(ColumnParameter(
            field, static_cast<SQLUSMALLINT>(first + j), set.values[j].data(),
            static_cast<SQLLEN>(set.values[j].size() - 1), &set.indicators[j]));
    }
}

std::vector<std::int64_t> SentNulls(const DriverState& file) {
    std::vector<std::int64_t> nulls = file.nullIndicators;
    for (std::size_t i = 0; i < file.fields.size(); ++i)
        if (Writable(file.fields[i])) nulls[i] = file.fields[i].bindIndicator == SQL_NULL_DATA ? -1 : 0;
    return nulls;
}

void StoreImage(DriverState& file, const std::vector<std::int64_t>& nulls) {
    std::memcpy(file.recordImage.data(), file.recordBuffer, static_cast<std::size_t>(file.recordSize));
    file.imageNullIndicators = nulls;
}

void BlankImage(DriverState& file) {
    std::memset(file.recordImage.data(), ' ', file.recordImage.size());
}

}  // namespace dbprobe::odbc
