#include "odbc/dispatch/attach.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "odbc/session/declaration_errors.h"
#include "odbc/session/options.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/session/trace_logger.h"
#include "odbc/sql/column_names.h"

namespace dbprobe::odbc {
namespace {

constexpr std::size_t kMaxKeys = 255;
constexpr std::size_t kMaxBlobs = 255;

bool Named(const char* text) { return text != nullptr && *text != '\0'; }

std::string TextOf(const char* text) { return text == nullptr ? std::string() : text; }

bool AcceptedFieldType(int type) {
    return (type >= kind::BYTE && type <= kind::PDECIMAL) || type == kind::STRING ||
           type == kind::CSTRING || type == kind::GROUP;
}

// A field's column name before the file connects: the external name up to the
// switch list (dropping the character before its '|'), else the label.
std::string ColumnNameOf(const FieldEntry& field) {
    if (field.externalName.empty()) return field.label;
    std::size_t bar = field.externalName.find('|');
    if (bar == std::string::npos) return field.externalName;
    return field.externalName.substr(0, bar == 0 ? 0 : bar - 1);
}

// Builds the field, key and BLOB tables; stops at the first refusal.
class DeclarationReader {
public:
    DeclarationReader(const FileDescriptor& file, DriverState& state) : file_(file), state_(state) {}

    int Read() {
        if (!ReadFields() || !ReadKeys() || !ReadBlobs() || !SecondPhase()) return code_;
        return 0;
    }

private:
    bool Fail(int code) {
        code_ = code;
        return false;
    }
    bool Refuse(std::string_view kind, int item, std::string_view attribute, int message) {
        SetDeclarationFileError(DeclarationError{kind, item, attribute, message});
        return Fail(err::InvalidRecordDeclaration);
    }
    bool RefuseField(int item, std::string_view attribute, int message) {
        return Refuse(declkind::Field, item, attribute, message);
    }

    bool ReadFields() {
        const FieldLayout& layout = file_.recordLayout;
        if (file_.recordSize < 0 || (file_.recordSize > 0 && file_.recordBuffer == nullptr))
            return Fail(err::InvalidFieldTypeDescriptor);
        if (layout.fields == nullptr || layout.count == 0) return Fail(err::InvalidFieldTypeDescriptor);
        const FieldDescriptor& top = layout.fields[0];
        if (top.type != kind::GROUP || top.memberCount < 0)
            return Fail(err::InvalidFieldTypeDescriptor);
        std::int64_t recordEnd = 0;
        if (!ReadMembers(top.memberCount, recordEnd, false)) return false;
        // Entries beyond what the tree describes: the counts disagree.
        if (next_ != layout.count) return Fail(err::InvalidFieldTypeDescriptor);
        MarkTimestamps();
        return true;
    }

    bool StartsEarlierField(std::int64_t offset) const {
        return std::find(starts_.begin(), starts_.end(), offset) != starts_.end();
    }

    // Reads count members; cursor is where the next member must start unless it
    // lies over an earlier field. Inside a group that lies over other fields,
    // cursor is the group's own running end and its members take no room.
    bool ReadMembers(std::int64_t count, std::int64_t& cursor, bool insideOver) {
        const FieldLayout& layout = file_.recordLayout;
        for (std::int64_t i = 0; i < count; ++i) {
            if (next_ >= layout.count) return Fail(err::InvalidFieldTypeDescriptor);
            const FieldDescriptor& d = layout.fields[next_];
            const int number = static_cast<int>(next_);
            ++next_;

            const bool atCursor = d.offset == cursor;
            if (!atCursor && !(d.offset < cursor && StartsEarlierField(d.offset)))
                return Fail(err::InvalidFieldTypeDescriptor);
            const bool over = insideOver || !atCursor;
            if (!CheckField(d, number, over)) return false;

            FieldEntry entry;
            entry.number = number;
            entry.descriptor = &d;
            entry.type = d.type;
            entry.offset = d.offset;
            entry.size = d.size;
            entry.elements = d.elements;
            entry.liesOver = over;
            entry.label = TextOf(d.label);
            entry.externalName = TextOf(d.externalName);
            entry.nameFromLabel = entry.externalName.empty();
            entry.columnName = ColumnNameOf(entry);
            state_.fields.push_back(std::move(entry));
            starts_.push_back(d.offset);

            if (d.type == kind::GROUP) {
                if (d.memberCount < 0) return Fail(err::InvalidFieldTypeDescriptor);
                if (over) {
                    std::int64_t local = d.offset;
                    if (!ReadMembers(d.memberCount, local, true)) return false;
                } else if (!ReadMembers(d.memberCount, cursor, insideOver)) {
                    return false;
                }
            } else if (atCursor) {
                cursor += static_cast<std::int64_t>(d.size) * d.elements;
            }
        }
        return true;
    }

    bool CheckField(const FieldDescriptor& d, int number, bool over) {
        if (!over) {
            if (!Named(d.label) && !Named(d.externalName)) return RefuseField(number, "LABEL", 1);
            if (!AcceptedFieldType(d.type)) return RefuseField(number, "TYPE", 2);
            if (d.elements > 1) return RefuseField(number, "DIM", 3);
            if ((d.type == kind::CSTRING && d.size < 1) || (d.type == kind::STRING && d.size < 0))
                return RefuseField(number, "SIZE", 4);
        }
        if (d.elements < 1) return RefuseField(number, "DIM", 5);
        if (d.size < 0) return RefuseField(number, "SIZE", 5);
        const std::int64_t extent = static_cast<std::int64_t>(d.size) * d.elements;
        if (extent > std::numeric_limits<std::int32_t>::max()) return RefuseField(number, "DIM", 5);
        // Nothing may reach past the record buffer.
        if (d.offset < 0) return Fail(err::InvalidFieldTypeDescriptor);
        if (d.offset + extent > file_.recordSize) return RefuseField(number, "SIZE", 5);
        return true;
    }

    // A STRING(8) directly followed by a group over it that starts with a DATE
    // and a TIME is a timestamp; the group and its two parts produce no column.
    void MarkTimestamps() {
        auto& f = state_.fields;
        for (std::size_t i = 0; i + 3 < f.size(); ++i) {
            if (f[i].type != kind::STRING || f[i].size != 8 || f[i].liesOver) continue;
            const FieldEntry& group = f[i + 1];
            if (group.type != kind::GROUP || !group.liesOver || group.offset != f[i].offset ||
                group.descriptor->memberCount < 2)
                continue;
            if (f[i + 2].type != kind::DATE || f[i + 3].type != kind::TIME) continue;
            for (std::size_t j = i; j <= i + 3; ++j) f[j].timestamp = true;
        }
    }

    bool ReadKeys() {
        if (file_.keyCount > 0 && file_.keys == nullptr) return Fail(err::InvalidFieldTypeDescriptor);
        if (file_.keyCount > kMaxKeys)
            return Refuse(declkind::Key, static_cast<int>(kMaxKeys) + 1, "KEY", 2);
        for (std::size_t k = 0; k < file_.keyCount; ++k) {
            const KeyDescriptor* d = file_.keys[k];
            if (d == nullptr || (d->componentCount > 0 && d->components == nullptr))
                return Fail(err::InvalidFieldTypeDescriptor);
            KeyState key;
            key.descriptor = d;
            key.number = static_cast<int>(k) + 1;
            key.externalName = CopyText(d->externalName).value_or("");
            key.label = CopyText(d->label).value_or("");
            key.attributes = d->attributes;
            key.dynamic = (d->attributes & keyattr::INDEX) != 0 && d->componentCount == 0;
            for (int c = 0; c < d->componentCount; ++c) {
                const int ref = d->components[c];
                const std::size_t field = static_cast<std::size_t>(ref < 0 ? -ref : ref);
                if (field == 0 || field > state_.fields.size())
                    return Fail(err::InvalidFieldTypeDescriptor);
                if (state_.fields[field - 1].elements > 1) return Fail(err::InvalidFieldTypeDescriptor);
                key.components.push_back({static_cast<int>(field) - 1, ref < 0});
            }
            state_.keys.push_back(std::move(key));
        }
        return true;
    }

    bool ReadBlobs() {
        if (file_.blobCount > 0 && file_.blobs == nullptr) return Fail(err::InvalidFieldTypeDescriptor);
        if (file_.blobCount > kMaxBlobs)
            return Refuse(declkind::Blob, static_cast<int>(kMaxBlobs) + 1, "MEMO/BLOB", 2);
        for (std::size_t b = 0; b < file_.blobCount; ++b) {
            const BlobDescriptor* d = file_.blobs[b];
            if (d == nullptr) return Fail(err::InvalidFieldTypeDescriptor);
            const int number = static_cast<int>(b) + 1;
            BlobEntry blob;
            blob.number = number;
            blob.descriptor = d;
            blob.externalName = CopyText(d->externalName).value_or("");
            blob.label = CopyText(d->label).value_or("");
            blob.attributes = d->attributes;
            if (blob.externalName.empty() && blob.label.empty())
                return Refuse(declkind::Blob, number, "LABEL", 1);
            if (d->memoSize < 0) return Refuse(declkind::Blob, number, "SIZE", 3);
            if ((d->attributes & blobattr::BLOB) == 0) return Refuse(declkind::Blob, number, "TYPE", 5);
            blob.columnName = blob.externalName.empty() ? blob.label : blob.externalName;
            state_.blobs.push_back(std::move(blob));
        }
        return true;
    }

    bool SecondPhase() {
        state_.nullIndicators.assign(state_.fields.size(), 0);
        state_.imageNullIndicators.assign(state_.fields.size(), 0);
        state_.recordImage.assign(static_cast<std::size_t>(state_.recordSize), 0);

        ApplyFieldSwitches(state_);
        for (const FieldEntry& f : state_.fields)
            if (f.ProducesColumn() && f.columnName.empty()) return Fail(err::UnsupportedDataTypeInFile);

        const bool createAllowed = (state_.fileAttributes & stateattr::CREATE) != 0;
        for (KeyState& key : state_.keys) {
            const bool declaredAsIndex = (key.attributes & keyattr::INDEX) != 0;
            if (createAllowed && !declaredAsIndex && key.externalName.empty() && key.label.empty())
                return Refuse(declkind::Key, key.number, "LABEL", 1);
        }
        // Switches only once the declaration is accepted: a refused one must
        // not leave its environment settings behind. The key lists come after
        // the driver string, so a key's own switches win.
        ApplyDriverString(state_);
        for (KeyState& key : state_.keys) ApplyKeySwitches(state_, key);
        ChoosePrimaryKey();
        BuildAllKey();
        // Linked only once the whole declaration is accepted, so that a refused
        // declaration leaves no link into the freed state.
        for (KeyState& key : state_.keys) {
            key.descriptor->keyState = &key;
            for (std::size_t i = 0; i < key.reads.size(); ++i) {
                key.reads[i].kind = static_cast<int>(i) + readkind::Forward;
                key.reads[i].key = &key;
            }
        }
        state_.read.keyScratch.assign(static_cast<std::size_t>(state_.recordSize), '\0');
        state_.read.scratchNulls.assign(state_.fields.size(), 0);
        return true;
    }

    // The key marked PRIMARY, else the first key without DUP; none when every
    // key allows duplicates.
    void ChoosePrimaryKey() {
        state_.primaryKey = 0;
        for (const KeyState& key : state_.keys)
            if (key.attributes & keyattr::PRIMARY) {
                state_.primaryKey = key.number;
                return;
            }
        for (const KeyState& key : state_.keys)
            if (!key.AllowsDuplicates()) {
                state_.primaryKey = key.number;
                return;
            }
    }

    // Every column, the components of the first unique key first; only the
    // WATCH columns, in record order, when there are any.
    void BuildAllKey() {
        KeyState& all = state_.allKey;
        all = KeyState{};
        all.label = "All";
        if (state_.watchedFields > 0) {
            for (std::size_t i = 0; i < state_.fields.size(); ++i)
                if (state_.fields[i].ProducesColumn() && state_.fields[i].watch)
                    all.components.push_back({static_cast<int>(i), false});
            return;
        }
        auto add = [&](int field) {
            for (const KeyComponent& c : all.components)
                if (c.field == field) return;
            all.components.push_back({field, false});
        };
        for (const KeyState& key : state_.keys)
            if (!key.AllowsDuplicates()) {
                for (const KeyComponent& c : key.components)
                    if (state_.fields[c.field].ProducesColumn()) add(c.field);
                break;
            }
        for (std::size_t i = 0; i < state_.fields.size(); ++i)
            if (state_.fields[i].ProducesColumn()) add(static_cast<int>(i));
    }

    const FileDescriptor& file_;
    DriverState& state_;
    std::vector<std::int64_t> starts_;
    std::uint32_t next_ = 1;
    int code_ = 0;
};

}  // namespace

void CopyDescriptorTexts(const FileDescriptor& file, DriverState& state) {
    state.name = CopyText(file.name);
    state.owner = CopyText(file.owner);
    state.driverString = CopyText(file.driverString);
}

void RefreshDescriptorTexts(const FileDescriptor& file, DriverState& state) {
    if (!(state.propertySet & propset::Name) && file.name.length != 0) {
        std::optional<std::string> name = CopyText(file.name);
        const bool changed = name != state.name;
        state.name = std::move(name);
        // A connected file's statements use the new name from now on.
        if (changed) PrepareNames(state);
    }
    if (!(state.propertySet & propset::Owner) && file.owner.length != 0)
        state.owner = CopyText(file.owner);
    if (!(state.propertySet & propset::DriverString) && file.driverString.length != 0)
        state.driverString = CopyText(file.driverString);
}

DriverState& AttachPhaseA(FileDescriptor& file) {
    file.driverState.reset(new DriverState());
    DriverState& state = *file.driverState;
    state.file = &file;
    CopyDescriptorTexts(file, state);
    state.traceLog = std::make_unique<TraceLogger>(state.driverString.value_or(""),
                                                   (file.attributes & fileattr::ENCRYPT) != 0);
    return state;
}

int AttachPhaseB(FileDescriptor& file, DriverState& state, bool rebuild) {
    if (rebuild) CopyDescriptorTexts(file, state);
    state.recordBuffer = static_cast<char*>(file.recordBuffer);
    state.recordSize = file.recordSize;
    state.driverName = "ODBC";
    // Descriptor bits 2..64 become driver bits 1..32.
    state.fileAttributes = static_cast<std::uint8_t>((file.attributes >> 1) & 0x3F);
    // A rebuild starts reading afresh: nothing may point into the old tables.
    state.read = ReadState{};
    state.byKey.key = nullptr;
    state.fields.clear();
    state.keys.clear();
    state.blobs.clear();

    DeclarationReader reader(file, state);
    if (int code = reader.Read(); code != 0) return code;

    if (!file.statusRecord) file.statusRecord = std::make_unique<StatusRecord>();
    file.statusRecord->openMode = 0;
    return 0;
}

}  // namespace dbprobe::odbc
