#pragma once
// The file manager stands between the program and one declared file: it
// initialises itself and opens the file on first use, numbers new records of
// an auto-numbered key, keeps copies of the record, closes the file when its
// last user is done, and turns failures into catalogue errors of the error
// manager. An application specialises it per file, slot by slot.
//
// Operations that can fail return a level (0 success; see level::).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/file_registry.h"
#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/descriptor.h"
#include "odbc/dispatch/operation.h"
#include "odbc/dispatch/text.h"

namespace dbprobe::framework {

// What a caller uses the file for.
namespace purpose {
inline constexpr int Use = 2, Save = 3, Unregistered = 4, Initialise = 5;
}

// Performs the physical open and close of a file.
class Opener {
public:
    virtual ~Opener() = default;
    // OPEN with the mode; 52 (already open) counts as success.
    virtual int Open(int mode, int attempt) = 0;
    virtual int Close() = 0;
};

// The opener of a file: one per manager for a THREAD file, else one per file
// for the whole process, counting opens.
std::unique_ptr<Opener> MakeOpener(odbc::FileDescriptor& file, bool threaded);

struct KeyComponentEntry {
    int field = 0;  // 1-based field number
    bool ascending = true;
    std::string name;  // the field's name, "UPPER(name)" for a text field of a case-insensitive key
};

struct KeyEntry {
    const odbc::KeyDescriptor* key = nullptr;
    std::string description;  // up to 80 characters
    std::vector<KeyComponentEntry> components;
    bool autoNumber = false;
    bool duplicates = false;
    bool noCase = false;
};

class FileManager : public odbc::FileCallback {
public:
    FileManager() = default;
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;
    ~FileManager() override = default;

    // Virtual operations, in slot order (0 and 1 are the callback interface).
    void OperationCalled(int operation, odbc::FileDescriptor& file, odbc::Arguments& args) override;  // 0
    void OperationDone(int operation, odbc::FileDescriptor& file, odbc::Arguments& args) override;    // 1
    virtual void Destroy();                                        // 2
    virtual void PrimeFieldDefaults() {}                           // 3
    virtual void CancelAutoNumber();                               // 4
    virtual bool Close();                                          // 5
    virtual bool BufferUnchanged(int handle);                      // 6
    virtual int Fetch(const odbc::KeyDescriptor* key);             // 7
    virtual void Setup();                                          // 8
    virtual void Initialise(odbc::FileDescriptor* declared, ErrorManager* manager);  // 9
    virtual int Insert() { return InsertWith(true); }              // 10
    virtual void Terminate();                                      // 11
    virtual int Next() { return ReadWith(odbc::op::NEXT, true); }  // 12
    virtual int Open() { return OpenWith(true, false); }           // 13
    virtual int Previous() { return ReadWith(odbc::op::PREVIOUS, true); }  // 14
    virtual int AssignNextNumber() { return NumberWith(true); }    // 15
    virtual void AfterPrime() {}                                   // 16
    virtual int PrepareNewRecord(bool suppressClear);              // 17
    virtual void RestoreRecordCopy(int handle, bool apply);        // 18
    virtual int SaveRecordCopy();                                  // 19
    virtual int ReportError(std::int32_t id);                      // 20
    virtual int Report();                                          // 21
    virtual int ReportMessage(std::int32_t id, std::string_view text);  // 22
    virtual int FetchQuietly(const odbc::KeyDescriptor* key);      // 23
    virtual int InsertQuietly() { return InsertWith(false); }      // 24
    virtual int NextQuietly() { return ReadWith(odbc::op::NEXT, false); }  // 25
    virtual int OpenQuietly() { return OpenWith(false, false); }   // 26
    virtual int PreviousQuietly() { return ReadWith(odbc::op::PREVIOUS, false); }  // 27
    virtual int AssignNextNumberQuietly() { return NumberWith(false); }  // 28
    virtual int UpdateQuietly();                                   // 29
    virtual int Update();                                          // 30
    virtual int Use(int purpose);                                  // 31
    virtual int CheckField(int field);                             // 32
    virtual int CheckFieldQuietly(int field) { return CheckFieldRule(field); }  // 33
    virtual int CheckFieldRule(int) { return 0; }                  // 34
    virtual int CheckFields(int first, int last, int& failed);     // 35
    virtual int CheckRecord();                                     // 36
    virtual int DeleteCurrent(bool ask);                           // 37
    virtual bool Hook38() { return false; }                        // 38
    virtual bool BeforeOperation(int operation);                   // 39
    virtual bool AfterOperation(int operation);                    // 40
    virtual bool BeforeDelete() { return true; }                   // 41
    virtual bool AfterDelete() { return true; }                    // 42
    virtual bool BeforeInsert() { return true; }                   // 43
    virtual bool AfterInsert() { return true; }                    // 44
    virtual bool BeforeUpdate() { return true; }                   // 45
    virtual bool AfterUpdate() { return true; }                    // 46

    // Adds a key; an auto-numbered one makes every insert number the record.
    void RegisterKey(const odbc::KeyDescriptor& key, std::string_view description, bool autoNumber);
    int OpenPhysically(bool handleErrors);
    // Takes the current error state for catalogue entry `id` (reported later).
    void RecordError(std::int32_t id);

    // Members in their order.
    FileManager* aliasedFile = nullptr;
    char* buffer = nullptr;
    std::int32_t bufferSize = 0;
    std::map<int, std::vector<std::string>> buffers;  // handle -> record, BLOB contents..., null flags
    bool create = false;
    ErrorManager* errors = nullptr;
    std::vector<int> fields;
    odbc::FileDescriptor* file = nullptr;
    odbc::TextRef fileName;  // the variable holding the file's name; none when constant
    std::string fileNameValue;                      // the name as a constant, up to 256
    bool hasAutoInc = false;
    bool inUseFile = false, inCallback = false, inClose = false, inRestore = false, inView = false;
    bool used = false;
    std::int32_t opened = 0;
    bool atEof = false;
    bool autoIncDone = false;
    std::int32_t lastError = 0;
    bool lazyOpen = false;
    std::int16_t lockRecover = 10;
    std::uint8_t openMode = 0x42;
    bool openModeOverridden = false;
    std::uint8_t primaryKey = 0;
    std::vector<std::string> saved;  // saved file states
    bool skipHeldRecords = false;
    bool cleanedUp = false;
    std::vector<KeyEntry> keys;
    bool blobChanged = false;
    std::string previousBuffer;
    bool savePreviousBuffer = false;
    bool initialized = false;
    bool killed = false;
    std::unique_ptr<Opener> opener;

protected:
    // A record operation on the file; its error code.
    int Do(int operation, odbc::Arguments args = {});
    std::string Property(std::string_view property, std::int64_t index = 0);
    std::string KeyProperty(const odbc::KeyDescriptor& key, std::string_view property, std::int64_t index = 0);

private:
    int Fail(bool handleErrors, std::int32_t id);
    int OpenWith(bool handleErrors, bool forced);
    int InsertWith(bool handleErrors);
    int NumberWith(bool handleErrors);
    int ReadWith(int operation, bool handleErrors);
    // Tests the keys in the order added for a duplicate of the record; the
    // first one found becomes the %Key text. False when none is found.
    bool NameDuplicateKey();
    std::int64_t FieldValue(int field) const;
    void SetFieldValue(int field, std::int64_t value);
    const odbc::FieldDescriptor* Field(int field) const;
    void CleanUp();
};

}  // namespace dbprobe::framework
