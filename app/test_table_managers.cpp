#include "app/test_table_managers.h"

#include "app/test_table.h"

namespace dbprobe::app {
namespace {

thread_local TestDatFileManager* t_access = nullptr;
thread_local TestDatRelationManager* t_relate = nullptr;
thread_local std::unique_ptr<TestDatRelationManager> t_relationManager;

}  // namespace

framework::ErrorManager& GlobalErrors() {
    static framework::ErrorManager errors;
    return errors;
}

TestDatFileManager* Access() { return t_access; }
TestDatRelationManager* Relate() { return t_relate; }

void TestDatFileManager::Setup() {
    TestDat& table = ThisThreadTestDat();
    initialized = false;
    buffer = table.Record();
    bufferSize = kTestRecordSize;
    fileNameValue = "TEST_DAT";
    errors = &GlobalErrors();
    file = &table.File();
    // Messages name the SQL table ("Test_Korvelandix") as %File.
    fileName = table.File().name;
    FileManager::Setup();
    t_access = this;
}

int TestDatFileManager::Use(int purpose) {
    if (purpose != framework::purpose::Initialise) Use(framework::purpose::Initialise);
    if (purpose == framework::purpose::Initialise && !initialized) {
        inUseFile = true;
        TestDat& table = ThisThreadTestDat();
        Initialise(&table.File(), &GlobalErrors());
        create = true;
        lockRecover = 10;
        RegisterKey(table.PrimaryKey(), "TST:PRIMARY", true);
        RegisterKey(table.NameKey(), "TST:KeyNazev", false);
    }
    return FileManager::Use(purpose);
}

void TestDatFileManager::Terminate() {
    FileManager::Terminate();
    t_access = nullptr;
}

void TestDatRelationManager::Init(framework::FileManager* fileManager, bool logout) {
    if (fileManager != nullptr) fileManager->Setup();
    RelationManager::Init(fileManager, logout);
}

void TestDatRelationManager::Kill() {
    if (me != nullptr) me->Terminate();
    RelationManager::Kill();
    t_relate = nullptr;
    me = nullptr;
    created.reset();
}

void DictionaryInit() {
    t_relationManager = std::make_unique<TestDatRelationManager>();
    t_relationManager->created = std::make_unique<TestDatFileManager>();
    t_relate = t_relationManager.get();
    t_relate->deferedRelationsDone = false;
    t_relate->Init(t_relate->created.get(), true);
}

void DictionaryKill() {
    if (t_relate == nullptr) return;
    t_relate->Kill();
    t_relationManager.reset();
}

}  // namespace dbprobe::app
