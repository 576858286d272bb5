#include "framework/file_manager.h"

#include <cstring>
#include <mutex>

#include "framework/platform/core/trim.h"
#include "odbc/session/properties.h"
#include "odbc/session/runtime_error_state.h"
#include "odbc/sql/blob_write.h"

namespace dbprobe::framework {
namespace {

using odbc::Arguments;
namespace op = odbc::op;

namespace fileprop = odbc::commonprop;

constexpr int kDuplicateKey = 40, kNoRecord = 33, kNotFound = 2, kDenied = 5, kRebuild = 46,
              kAlreadyOpen = 52;

std::string Text(int number) { return std::to_string(number); }

std::string TextOf(const odbc::TextRef& ref) {
    if (ref.text == nullptr) return {};
    if (ref.length == odbc::TextRef::kZeroTerminated) return platform::TrimRight(ref.text);
    if (ref.length <= 0) return {};
    return platform::TrimRight(std::string(ref.text, static_cast<std::size_t>(ref.length)));
}

// How messages name a key: its description, else its label.
std::string KeyName(const KeyEntry& entry) {
    return entry.description.empty() ? TextOf(entry.key->label) : entry.description;
}

bool IsWrite(int operation) {
    return operation == op::ADD || operation == op::APPEND || operation == op::ADDfilelen ||
           operation == op::APPENDlen || operation == op::PUT || operation == op::PUTfileptr ||
           operation == op::PUTfileptrlen;
}

bool IsRead(int operation) {
    return operation == op::NEXT || operation == op::PREVIOUS || operation == op::GETfilekey ||
           operation == op::GETfileptr || operation == op::REGETfile || operation == op::REGETkey;
}

// The opener of a THREAD file: each manager opens its own instance.
class ThreadOpener : public Opener {
public:
    explicit ThreadOpener(odbc::FileDescriptor& file) : file_(file) {}
    int Open(int mode, int) override {
        Arguments args = Arguments::WithNumbers({mode});
        odbc::CallDriver(op::OPEN, file_, args);
        const int code = odbc::CurrentErrors().errorCode;
        return code == kAlreadyOpen ? 0 : code;
    }
    int Close() override {
        Arguments none;
        odbc::CallDriver(op::CLOSE, file_, none);
        return odbc::CurrentErrors().errorCode;
    }

private:
    odbc::FileDescriptor& file_;
};

// The opener of a file shared by the process: the first open opens, the
// last close closes.
class SharedOpener : public ThreadOpener {
public:
    explicit SharedOpener(odbc::FileDescriptor& file) : ThreadOpener(file), file_(&file) {}
    int Open(int mode, int attempt) override {
        std::lock_guard guard(Lock());
        int& count = Counts()[file_];
        if (count == 0)
            if (int code = ThreadOpener::Open(mode, attempt); code != 0) return code;
        ++count;
        return 0;
    }
    int Close() override {
        std::lock_guard guard(Lock());
        int& count = Counts()[file_];
        if (count <= 0) return 0;
        return --count == 0 ? ThreadOpener::Close() : 0;
    }

private:
    static std::mutex& Lock() {
        static std::mutex lock;
        return lock;
    }
    static std::map<const odbc::FileDescriptor*, int>& Counts() {
        static std::map<const odbc::FileDescriptor*, int> counts;
        return counts;
    }
    const odbc::FileDescriptor* file_;
};

}  // namespace

std::unique_ptr<Opener> MakeOpener(odbc::FileDescriptor& file, bool threaded) {
    if (threaded) return std::make_unique<ThreadOpener>(file);
    return std::make_unique<SharedOpener>(file);
}

// --- Talking to the runtime.

int FileManager::Do(int operation, Arguments args) {
    odbc::CallDriver(operation, *file, args);
    return odbc::CurrentErrors().errorCode;
}

std::string FileManager::Property(std::string_view property, std::int64_t index) {
    Arguments args = Arguments::WithTexts({std::string(property)});
    args.numbers = {index};
    odbc::CallDriver(op::GET_PROPERTY, *file, args);
    return args.textResult.value_or("");
}

std::string FileManager::KeyProperty(const odbc::KeyDescriptor& key, std::string_view property,
                                     std::int64_t index) {
    Arguments args = Arguments::WithKey(&key);
    args.texts = {std::string(property)};
    args.numbers = {index};
    odbc::CallDriver(op::GETPROPERTYkey, *file, args);
    return args.textResult.value_or("");
}

const odbc::FieldDescriptor* FileManager::Field(int field) const {
    if (file == nullptr || file->recordLayout.fields == nullptr || field < 1 ||
        static_cast<std::uint32_t>(field) >= file->recordLayout.count)
        return nullptr;
    return &file->recordLayout.fields[field];
}

std::int64_t FileManager::FieldValue(int field) const {
    const odbc::FieldDescriptor* f = Field(field);
    if (f == nullptr || buffer == nullptr || f->offset < 0 || f->offset + f->size > bufferSize) return 0;
    const char* at = buffer + f->offset;
    switch (f->type) {
        case odbc::kind::BYTE: return static_cast<unsigned char>(*at);
        case odbc::kind::SHORT: { std::int16_t v; std::memcpy(&v, at, 2); return v; }
        case odbc::kind::USHORT: { std::uint16_t v; std::memcpy(&v, at, 2); return v; }
        case odbc::kind::LONG: { std::int32_t v; std::memcpy(&v, at, 4); return v; }
        case odbc::kind::ULONG: { std::uint32_t v; std::memcpy(&v, at, 4); return v; }
        default: return 0;
    }
}

void FileManager::SetFieldValue(int field, std::int64_t value) {
    const odbc::FieldDescriptor* f = Field(field);
    if (f == nullptr || buffer == nullptr || f->offset < 0 || f->offset + f->size > bufferSize) return;
    char* at = buffer + f->offset;
    switch (f->type) {
        case odbc::kind::BYTE: *at = static_cast<char>(value); break;
        case odbc::kind::SHORT:
        case odbc::kind::USHORT: { const auto v = static_cast<std::int16_t>(value); std::memcpy(at, &v, 2); break; }
        case odbc::kind::LONG:
        case odbc::kind::ULONG: { const auto v = static_cast<std::int32_t>(value); std::memcpy(at, &v, 4); break; }
        default: break;
    }
}

// --- The callback interface.

void FileManager::OperationCalled(int operation, odbc::FileDescriptor&, Arguments&) {
    if (inCallback) return;
    inCallback = true;
    if (operation == op::CLOSE && inRestore && opened > 0) {
        opened = 0;
        used = false;
        Close();
    }
    if (operation == op::DESTROY) CleanUp();
    BeforeOperation(operation);
    inCallback = false;
}

void FileManager::OperationDone(int operation, odbc::FileDescriptor&, Arguments& args) {
    if (inCallback) return;
    inCallback = true;
    if (IsWrite(operation)) blobChanged = false;
    if (operation == op::BLOB_TAKE) blobChanged = true;
    if (operation == op::BLOB_SET_PROP) {
        const std::string property = args.texts.size() >= 2 ? args.texts[args.texts.size() - 2] : std::string();
        if (property != Text(odbc::blobprop::Handle)) blobChanged = true;
    }
    if (IsRead(operation) && savePreviousBuffer && buffer != nullptr)
        previousBuffer.assign(buffer, static_cast<std::size_t>(bufferSize));
    AfterOperation(operation);
    inCallback = false;
}

bool FileManager::BeforeOperation(int operation) {
    if (IsWrite(operation)) return operation == op::PUT ? BeforeUpdate() : BeforeInsert();
    if (operation == op::DELETE) return BeforeDelete();
    return true;
}

bool FileManager::AfterOperation(int operation) {
    if (IsWrite(operation)) return operation == op::PUT ? AfterUpdate() : AfterInsert();
    if (operation == op::DELETE) return AfterDelete();
    return true;
}

// --- Life.

void FileManager::Destroy() {
    if (!killed) Terminate();
    fileName = {};
}

void FileManager::Setup() {
    opened = 0;
    lazyOpen = true;
    killed = false;
    ThreadFileRegistry().Register(this);
}

void FileManager::Initialise(odbc::FileDescriptor* declared, ErrorManager* manager) {
    errors = manager;
    file = declared;
    opener = MakeOpener(*file, Property(Text(fileprop::Threaded)) == "1");
    keys.clear();
    buffers.clear();
    saved.clear();
    fields.clear();
    skipHeldRecords = false;
    if (!openModeOverridden) openMode = 0x42;
    create = true;
    lockRecover = 10;
    primaryKey = 0;
    // The label's property number is the driver's own name property; the
    // declaration holds it.
    fileNameValue = TextOf(file->label).substr(0, 256);
    cleanedUp = false;
    initialized = true;
    killed = false;
    file->callback = this;
}

void FileManager::RegisterKey(const odbc::KeyDescriptor& key, std::string_view description, bool autoNumber) {
    KeyEntry entry;
    entry.key = &key;
    entry.description = std::string(description.substr(0, 80));
    entry.autoNumber = autoNumber;
    hasAutoInc = hasAutoInc || autoNumber;
    entry.duplicates = KeyProperty(key, Text(fileprop::KeyDuplicates)) == "1";
    entry.noCase = KeyProperty(key, Text(fileprop::KeyNoCase)) == "1";
    keys.push_back(entry);
    if (KeyProperty(key, Text(fileprop::KeyPrimary)) == "1") primaryKey = static_cast<std::uint8_t>(keys.size());
    const long count = std::strtol(KeyProperty(key, Text(fileprop::KeyComponents)).c_str(), nullptr, 10);
    for (long c = 1; c <= count; ++c) {
        KeyComponentEntry component;
        component.field = static_cast<int>(std::strtol(KeyProperty(key, Text(fileprop::KeyField), c).c_str(), nullptr, 10));
        component.ascending = KeyProperty(key, Text(fileprop::KeyAscending), c) != "0";
        component.name = Property(Text(fileprop::FieldName), component.field);
        const odbc::FieldDescriptor* f = Field(component.field);
        const bool text = f != nullptr && (f->type == odbc::kind::STRING || f->type == odbc::kind::CSTRING ||
                                           f->type == odbc::kind::PSTRING);
        if (keys.back().noCase && text) component.name = "UPPER(" + component.name + ")";
        keys.back().components.push_back(component);
    }
}

void FileManager::CleanUp() {
    if (cleanedUp) return;
    cleanedUp = true;
    while (opened > 0) Close();
    ThreadFileRegistry().RemoveUses(this);
    keys.clear();
    for (std::size_t i = 0; i < saved.size() && file != nullptr; ++i) {
        Arguments state = Arguments::WithTexts({saved[i]});
        odbc::CallDriver(op::FREESTATE, *file, state);
    }
    saved.clear();
    buffers.clear();
    fields.clear();
    opener.reset();
    fileName = {};
    openModeOverridden = false;
}

void FileManager::Terminate() {
    if (!initialized || killed) return;
    CleanUp();
    if (file != nullptr && file->callback == this) file->callback = nullptr;
    killed = true;
    initialized = false;
}

// --- Use and open.

int FileManager::Use(int purpose) {
    inUseFile = true;
    if (purpose == purpose::Initialise) {
        if (lazyOpen) {
            if (used) {
                if (opened < 1) OpenWith(true, false);
            } else if (opened < 1) {
                ++opened;
                OpenWith(true, true);
                --opened;
            }
        }
        inUseFile = false;
        return 0;
    }
    if (purpose != purpose::Unregistered && errors != nullptr) {
        bool shared = false;
        ThreadFileRegistry().AddUse(this, errors->CurrentProcedure(), purpose, shared);
    }
    if (lazyOpen && !used) {
        inUseFile = false;
        if (opened < 1) return ReportError(42);
        const std::string kept(buffer, static_cast<std::size_t>(bufferSize));
        const int level = OpenPhysically(true);
        std::memcpy(buffer, kept.data(), kept.size());
        return level;
    }
    inUseFile = false;
    return 0;
}

int FileManager::OpenWith(bool handleErrors, bool forced) {
    ThreadFileRegistry().CountUp(this);
    PrimeFieldDefaults();
    if (forced || (!lazyOpen && opened < 1)) {
        if (int level = OpenPhysically(handleErrors); level != 0) return level;
    }
    ++opened;
    return 0;
}

int FileManager::Fail(bool handleErrors, std::int32_t id) {
    RecordError(id);
    return handleErrors ? Report() : level::Notify;
}

int FileManager::OpenPhysically(bool handleErrors) {
    if (Use(purpose::Initialise) != 0) return Fail(handleErrors, 26);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        int code = opener->Open(openMode, attempt);
        if (code == kDenied) {
            Do(op::SEND, Arguments::WithTexts({"Recover=" + Text(lockRecover)}));
            code = opener->Open(openMode, attempt);
        }
        switch (code) {
            case 0:
                used = true;
                atEof = false;
                autoIncDone = false;
                return 0;
            case kNotFound:
                if (!create) return Fail(handleErrors, 26);
                if (Do(op::CREATE) != 0) return Fail(handleErrors, 12);
                continue;
            case kRebuild:
                RecordError(30);
                if (!handleErrors) return level::Notify;
                Report();
                if (Do(op::BUILDfile) == 0) continue;
                return ReportError(29);
            case kDenied:
                if (openMode & 3) {
                    openMode = static_cast<std::uint8_t>(openMode & ~3);  // read-only, same sharing
                    ReportError(2);
                    continue;
                }
                return Fail(handleErrors, 26);
            default: return Fail(handleErrors, 26);
        }
    }
    return Fail(handleErrors, 26);
}

bool FileManager::Close() {
    inClose = true;
    FileUse removed;
    if (ThreadFileRegistry().CountDown(this, removed) && !removed.savedState.empty() && file != nullptr) {
        Arguments state = Arguments::WithTexts({removed.savedState});
        odbc::CallDriver(op::RESTORESTATE, *file, state);
    }
    if (opened > 0) {
        if (--opened == 0) {
            if (initialized && opener) opener->Close();
            used = false;
        }
    }
    inClose = false;
    return false;
}

// --- Records.

int FileManager::SaveRecordCopy() {
    const int handle = buffers.empty() ? 1 : buffers.rbegin()->first + 1;
    std::vector<std::string>& copy = buffers[handle];
    copy.emplace_back(buffer, static_cast<std::size_t>(bufferSize));
    const long blobs = std::strtol(Property(Text(fileprop::BlobCount)).c_str(), nullptr, 10);
    for (long n = 1; n <= blobs; ++n) copy.push_back(Property(Text(fileprop::BlobContents), -n));
    Arguments nulls;
    odbc::CallDriver(op::GETNULLS, *file, nulls);
    copy.push_back(nulls.textResult.value_or(""));
    return handle;
}

void FileManager::RestoreRecordCopy(int handle, bool apply) {
    auto it = buffers.find(handle);
    if (it == buffers.end()) return;
    const std::vector<std::string>& copy = it->second;
    if (apply && !copy.empty()) {
        std::memcpy(buffer, copy.front().data(), std::min<std::size_t>(copy.front().size(), static_cast<std::size_t>(bufferSize)));
        for (std::size_t n = 1; n + 1 < copy.size(); ++n) {
            Arguments set = Arguments::WithTexts({Text(fileprop::BlobContents), copy[n]});
            set.numbers = {-static_cast<std::int64_t>(n)};
            odbc::CallDriver(op::SET_PROPERTY, *file, set);
        }
        Arguments nulls = Arguments::WithTexts({copy.back()});
        odbc::CallDriver(op::SETNULLS, *file, nulls);
    }
    buffers.erase(it);
}

bool FileManager::BufferUnchanged(int handle) {
    auto it = buffers.find(handle);
    return it != buffers.end() && !it->second.empty() &&
           it->second.front() == std::string(buffer, static_cast<std::size_t>(bufferSize));
}

int FileManager::CheckFields(int first, int last, int& failed) {
    for (int field = first; field <= last; ++field)
        if (int level = CheckFieldRule(field); level != 0) {
            failed = field;
            return level;
        }
    failed = 0;
    return 0;
}

int FileManager::CheckRecord() {
    const long count = std::strtol(Property(Text(fileprop::FieldCount)).c_str(), nullptr, 10);
    int failed = 0;
    return CheckFields(1, static_cast<int>(count), failed);
}

int FileManager::CheckField(int field) {
    const int level = CheckFieldQuietly(field);
    return level == 0 ? 0 : level::Notify;
}

bool FileManager::NameDuplicateKey() {
    for (const KeyEntry& entry : keys) {
        Arguments key = Arguments::WithKey(entry.key);
        if (odbc::CallDriver(op::DUPLICATEkey, *file, key) != 0) {
            errors->SetKeyText(KeyName(entry));
            return true;
        }
    }
    return false;
}

int FileManager::InsertWith(bool handleErrors) {
    if (Use(purpose::Use) != 0) return level::Fatal;
    if (CheckRecord() != 0) return level::Notify;
    int code = 0;
    if (!hasAutoInc) {
        code = Do(op::ADD);
    } else if (autoIncDone) {
        code = Do(op::PUT);
    } else {
        if (NumberWith(handleErrors) != 0) return level::Notify;
        code = odbc::CurrentErrors().errorCode;
    }
    if (code == 0) {
        autoIncDone = false;
        return 0;
    }
    if (code == kDuplicateKey) {
        if (!handleErrors) {
            RecordError(15);
            return level::Notify;
        }
        if (!hasAutoInc) {
            Arguments pointer = Arguments::WithNumbers({0});
            odbc::CallDriver(op::GETfileptr, *file, pointer);
        }
        if (NameDuplicateKey()) ReportMessage(15, "");
        return level::Notify;
    }
    RecordError(4);
    return handleErrors ? Report() : level::Notify;
}

int FileManager::NumberWith(bool handleErrors) {
    if (Use(purpose::Use) != 0) return level::Fatal;
    if (!hasAutoInc || autoIncDone) return 0;
    int attempts = 0;
    while (true) {
        for (const KeyEntry& entry : keys) {
            if (!entry.autoNumber || entry.components.empty()) continue;
            errors->SetKeyText(KeyName(entry));
            const int handle = SaveRecordCopy();
            Do(op::NOMEMO);
            const KeyComponentEntry& component = entry.components.front();
            Do(op::SETkey, Arguments::WithKey(entry.key));
            const int read = Do(component.ascending ? op::PREVIOUS : op::NEXT);
            std::int64_t next = 1;
            if (read == 0) {
                next = FieldValue(component.field) + 1;
            } else if (read != kNoRecord) {
                RecordError(1);
                // The record and its BLOBs go back as they were before the read.
                RestoreRecordCopy(handle, true);
                return handleErrors ? Report() : level::Notify;
            }
            RestoreRecordCopy(handle, true);
            SetFieldValue(component.field, next);
        }
        const int code = Do(op::ADD);
        if (code == 0) {
            autoIncDone = true;
            return 0;
        }
        if (++attempts < 3) continue;
        if (code == kDuplicateKey) {
            RecordError(35);
            NameDuplicateKey();
        }
        RecordError(35);
        if (!handleErrors) return level::Notify;
        if (Report() != 0) return level::Notify;
        attempts = 0;  // the user asked to try again
    }
}

int FileManager::ReadWith(int operation, bool handleErrors) {
    if (Use(purpose::Use) != 0) return level::Fatal;
    const int code = Do(operation);
    if (code == 0) return 0;
    if (code == kNoRecord) {
        atEof = true;
        return level::Notify;
    }
    RecordError(1);
    return handleErrors ? Report() : level::Notify;
}

int FileManager::FetchQuietly(const odbc::KeyDescriptor* key) {
    if (Use(purpose::Use) != 0) return level::Fatal;
    return Do(op::GETfilekey, Arguments::WithKey(key)) == 0 ? 0 : level::Notify;
}

int FileManager::Fetch(const odbc::KeyDescriptor* key) {
    const int level = FetchQuietly(key);
    if (level != 0) Do(op::CLEAR);
    return level;
}

int FileManager::UpdateQuietly() {
    if (Use(purpose::Use) != 0) return level::Fatal;
    return Do(op::PUT) == 0 ? 0 : level::Notify;
}

int FileManager::Update() {
    if (Use(purpose::Use) != 0) return level::Fatal;
    if (Do(op::PUT) == 0) return 0;
    return ReportError(28);
}

int FileManager::DeleteCurrent(bool ask) {
    if (ask && errors != nullptr &&
        errors->AskQuestion(11, 2 | 4, 4) != 2)
        return level::Cancel;
    if (Do(op::DELETE) == 0) return 0;
    RecordError(13);
    return level::Notify;
}

void FileManager::CancelAutoNumber() {
    if (!autoIncDone) return;
    Do(op::DELETE);
    autoIncDone = false;
}

int FileManager::PrepareNewRecord(bool suppressClear) {
    if (int level = Use(purpose::Use); level != 0) return level;
    if (!suppressClear) Do(op::CLEAR);
    AfterPrime();
    if (!hasAutoInc) return 0;
    autoIncDone = false;
    return AssignNextNumber();
}

// --- Reporting.

void FileManager::RecordError(std::int32_t id) {
    if (errors != nullptr) errors->SaveErrorState();
    lastError = id;
}

int FileManager::Report() {
    if (errors == nullptr) return level::Notify;
    const std::string name = fileName.text != nullptr ? TextOf(fileName) : platform::TrimRight(fileNameValue);
    errors->SetFileText(name);
    return errors->Report(lastError);
}

int FileManager::ReportError(std::int32_t id) {
    RecordError(id);
    return Report();
}

int FileManager::ReportMessage(std::int32_t id, std::string_view text) {
    lastError = id;
    if (errors == nullptr) return level::Notify;
    const std::string name = fileName.text != nullptr ? TextOf(fileName) : platform::TrimRight(fileNameValue);
    errors->SetFileText(name);
    return errors->ReportWithMessage(id, text);
}

}  // namespace dbprobe::framework
