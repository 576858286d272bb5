// The properties every file driver shares: the runtime's own view of the
// declaration, and BLOB contents by negative index.

#include <cctype>

#include "odbc/session/properties.h"
#include "odbc/sql/blob_read.h"

namespace dbprobe::odbc {
namespace {


// The property's number; -1 for a name or anything else that is not one.
long NumberOf(std::string_view property) {
    std::size_t at = property.find_first_not_of(' ');
    if (at == std::string_view::npos) return -1;
    long value = 0;
    bool digits = false;
    for (; at < property.size() && std::isdigit(static_cast<unsigned char>(property[at])); ++at) {
        if (value > 1000000) return -1;
        value = value * 10 + (property[at] - '0');
        digits = true;
    }
    return digits && property.find_first_not_of(' ', at) == std::string_view::npos ? value : -1;
}

std::string Flag(bool on) { return on ? "1" : "0"; }

const KeyComponent* Component(const KeyState& key, std::int64_t index) {
    if (index < 1 || index > static_cast<std::int64_t>(key.components.size())) return nullptr;
    return &key.components[static_cast<std::size_t>(index - 1)];
}

bool KeyProperty(const KeyState& key, long number, std::int64_t index, std::optional<std::string>& answer) {
    switch (number) {
        case commonprop::KeyComponents: answer = std::to_string(key.components.size()); return true;
        case commonprop::KeyDuplicates: answer = Flag(key.AllowsDuplicates()); return true;
        case commonprop::KeyNoCase: answer = Flag((key.attributes & keyattr::NOCASE) != 0); return true;
        case commonprop::KeyPrimary: answer = Flag((key.attributes & keyattr::PRIMARY) != 0); return true;
        case commonprop::KeyField: {
            const KeyComponent* c = Component(key, index);
            answer = c == nullptr ? std::string() : std::to_string(c->field + 1);
            return true;
        }
        case commonprop::KeyAscending: {
            const KeyComponent* c = Component(key, index);
            answer = c == nullptr ? std::string() : Flag(!c->descending);
            return true;
        }
        default: return false;
    }
}

BlobEntry* BlobByIndex(DriverState& file, std::int64_t index) {
    if (index >= 0 || -index > static_cast<std::int64_t>(file.blobs.size())) return nullptr;
    return &file.blobs[static_cast<std::size_t>(-index - 1)];
}

}  // namespace

bool DriverCommonProperty(DriverState& file, const PropertyRequest& request, int& result,
                          std::optional<std::string>& answer) {
    const long number = NumberOf(request.property);
    if (number < 0) return false;
    const bool get = !request.value.has_value();
    if (request.key != nullptr) return get && KeyProperty(*request.key, number, request.index, answer);

    if (number == commonprop::BlobContents) {
        BlobEntry* blob = BlobByIndex(file, request.index);
        if (blob == nullptr) return false;
        if (get) {
            const std::int64_t size = BlobSize(file, *blob);
            answer = std::string(blob->contents.data(), static_cast<std::size_t>(size));
        } else {
            const std::string_view value = *request.value;
            blob->contents.assign(value.begin(), value.end());
            blob->size = static_cast<std::int64_t>(value.size());
            blob->changed = true;
            result = 0;
        }
        return true;
    }
    if (!get) return false;
    switch (number) {
        case commonprop::BlobCount: answer = std::to_string(file.blobs.size()); return true;
        case commonprop::FieldCount: answer = std::to_string(file.fields.size()); return true;
        case commonprop::FieldName:
            if (request.index < 1 || request.index > static_cast<std::int64_t>(file.fields.size())) return false;
            answer = file.fields[static_cast<std::size_t>(request.index - 1)].label;
            return true;
        case commonprop::Threaded: answer = Flag((file.fileAttributes & stateattr::THREAD) != 0); return true;
        default: return false;
    }
}

}  // namespace dbprobe::odbc
