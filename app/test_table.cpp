#include "app/test_table.h"

#include <cstring>

#include "odbc/dispatch/dispatcher.h"

namespace dbprobe::app {

using namespace odbc;

TesterVariables& Globals() {
    static TesterVariables variables;
    return variables;
}

TestDat::TestDat(const TesterVariables& variables) {
    layout_[0] = {kind::GROUP, 0, kTestRecordSize, 1, 0, nullptr, nullptr, nullptr, 2};
    layout_[1] = {kind::LONG, 0, 4, 1, 0, "TST:CISLO", nullptr, nullptr, 0};
    layout_[2] = {kind::STRING, 4, kNazevSize, 1, 0, "TST:NAZEV", nullptr, nullptr, 0};

    primaryComponents_ = {1};
    primary_.externalName = variables.primaryKeyName.Ref();
    primary_.label = TextRef::Terminated("TST:PRIMARY");
    primary_.attributes = keyattr::OPT | keyattr::NOCASE | keyattr::PRIMARY;
    primary_.componentCount = 1;
    primary_.components = primaryComponents_.data();
    primary_.owner = &file_;

    nazevComponents_ = {2, 1};
    keyNazev_.externalName = variables.secondKeyName.Ref();
    keyNazev_.label = TextRef::Terminated("TST:KEYNAZEV");
    keyNazev_.attributes = keyattr::DUP | keyattr::OPT;
    keyNazev_.componentCount = 2;
    keyNazev_.components = nazevComponents_.data();
    keyNazev_.owner = &file_;

    poznamka_.label = TextRef::Terminated("TST:POZNAMKA");
    poznamka_.attributes = blobattr::BLOB;

    keys_ = {&primary_, &keyNazev_};
    blobs_ = {&poznamka_};

    static const char kDeclaration = 0;
    file_.declaration = &kDeclaration;
    file_.driverEntry = &Dispatch;
    file_.label = odbc::TextRef::Terminated("TEST_DAT");
    file_.name = variables.tableName.Ref();
    file_.driverString = variables.driverString.Ref();
    file_.owner = variables.dataSource.Ref();
    file_.recordBuffer = record_.data();
    file_.recordSize = kTestRecordSize;
    file_.recordLayout = {layout_.data(), static_cast<std::uint32_t>(layout_.size())};
    file_.keys = keys_.data();
    file_.keyCount = static_cast<std::uint16_t>(keys_.size());
    file_.blobs = blobs_.data();
    file_.blobCount = static_cast<std::uint16_t>(blobs_.size());
    // CREATE, THREAD and one declaration flag the driver does not interpret.
    file_.attributes = 0x15;
    std::memset(record_.data() + 4, ' ', kNazevSize);
}

std::int32_t TestDat::Cislo() const {
    std::int32_t value;
    std::memcpy(&value, record_.data(), sizeof value);
    return value;
}

void TestDat::SetCislo(std::int32_t value) { std::memcpy(record_.data(), &value, sizeof value); }

void TestDat::SetNazev(std::string_view value) {
    std::memset(record_.data() + 4, ' ', kNazevSize);
    std::memcpy(record_.data() + 4, value.data(),
                value.size() < static_cast<std::size_t>(kNazevSize) ? value.size() : kNazevSize);
}

TestDat& ThisThreadTestDat() {
    thread_local TestDat instance(Globals());
    return instance;
}

}  // namespace dbprobe::app
