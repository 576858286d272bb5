#include "app/main_window.h"

#include <cstring>
#include <string>

#include "app/picker.h"
#include "app/program_globals.h"
#include "app/run_observer.h"
#include "app/runtime_texts.h"
#include "app/test_table.h"
#include "app/test_table_managers.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/core/trim.h"
#include "framework/thread_values.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/runtime_error_state.h"

namespace dbprobe::app {
namespace {

using namespace platform::literals;
namespace op = odbc::op;

constexpr int kRows = 1000;
RunObserver* g_observer = nullptr;
constexpr std::int32_t kAccessReadWriteDenyWrite = 0x22;
constexpr std::uint32_t kRed = 0xFF0000;

// Test data, windows-1250: every character is one byte.
constexpr std::string_view kRowText =
    "AÄÁaáâäBbCČcčDdEÉĚeéěëFfGgHhIÍiíJjKkLlMmNŇnňOÓÖoóöPpQqRŘrřSŠsšTŤtťUÚŮÜuůúűüVvWwXxYÝyýZŽzž"_w1250;
constexpr std::string_view kSentence = "Toto jsou testovací data programu KORVELANDIX."_w1250;
constexpr std::string_view kSupportAddress = "podpora@dbprobe.example";

platform::Control Text(int number, const char* label, std::string_view text, int x, int y, int width,
                       int height) {
    return platform::MakeControl(number, label, platform::ControlKind::Text, std::string(text), x, y, width, height);
}

platform::Font Tahoma(bool bold, std::uint32_t color = 0) {
    platform::Font f;
    f.bold = bold;
    f.color = color;
    return f;
}

int Issue(int operation, odbc::Arguments args = {}) {
    odbc::ClearErrors();
    odbc::CallDriver(operation, ThisThreadTestDat().File(), args);
    return odbc::CurrentErrors().errorCode;
}

}  // namespace

RunObserver& Observer() {
    static RunObserver silent;
    return g_observer != nullptr ? *g_observer : silent;
}

void SetRunObserver(RunObserver* observer) { g_observer = observer; }

MainWindow::MainWindow() : blobText(4096, '\0') {
    std::memset(statusText.data(), ' ', statusText.size());
    TesterVariables& vars = Globals();
    layout_.name = "dbprobe$dbpro001";
    layout_.label = "P1$WINDOW";
    layout_.caption = "Test kompatibilty SQL";
    layout_.icon = "DatabaseImport.ico";
    layout_.wallpaper = "back_blue.jpg";
    layout_.width = 264;
    layout_.height = 193;
    using platform::kAuto;

    platform::Control welcome = Text(1, "?STRING5", "Vítejete !"_w1250, 8, 8, 250, kAuto);
    welcome.font = Tahoma(true);
    using platform::ControlKind;
    platform::Control entry = platform::MakeControl(5, "?GLO:DATASOURCE", ControlKind::Entry, "", 114, 108, 97, 11);
    entry.variable = {vars.dataSource.Data(), vars.dataSource.size()};
    entry.editWidth = 80;
    platform::Control choose = platform::MakeControl(6, "?SELECT_SQL", ControlKind::Button, "...", 216, 107, 14, 14);
    choose.tooltip = "Vybrat databázi"_w1250.str();
    platform::Control status = Text(8, "?PROCESS_TEXT", "", 5, 130, 250, 10);
    status.variable = {statusText.data(), statusText.size()};
    platform::Control progress = platform::MakeControl(9, "?PROCESS1", ControlKind::Progress, "", 47, 144, 168, 12);
    progress.value = &stepCounter;
    platform::Control needed = Text(10, "?STRING1:5", "Pro spuštění testu potřebujete mít vytvořenou databázi na serveru SQL"_w1250, 8, 48, 250, 10);
    needed.font = Tahoma(false);
    platform::Control access = Text(11, "?STRING1:6", "a přístup na tento server přes datové rozhraní ODBC."_w1250, 8, 58, 250, 10);
    access.font = Tahoma(false);
    platform::Control rights = Text(12, "?STRING5:4", "Databáze na serveru SQL musí práva plná práva pro čtení a zápis !"_w1250, 7, 71, 250, kAuto);
    rights.font = Tahoma(true, kRed);
    platform::Control start = platform::MakeControl(13, "?START_BUTTON", ControlKind::Button, "Start", 207, 169, 48, 14);
    platform::Control close = platform::MakeControl(14, "?CLOSE_BUTTON", ControlKind::Button, "Zavřít"_w1250.str(), 4, 169, 48, 14);
    close.closesWindow = true;

    layout_.controls = {
        welcome,
        Text(2, "?STRING5:2", "Tento program provede test vašeho SQL serveru zda je kompatibilní"_w1250, 8, 22, 250, kAuto),
        Text(3, "?STRING5:3", "s programem KORVELANDIX.", 8, 32, 250, kAuto),
        Text(4, "?STRING1", "Zadejte název databáze SQL:"_w1250, 8, 109, 103, 10),
        entry,
        choose,
        Text(7, "?STRING1:2", "V případě dotazů nebo problémů pište na: "_w1250.str() + std::string(kSupportAddress), 6, 86, 246, 10),
        status,
        progress,
        needed,
        access,
        rights,
        start,
        close,
    };
}

int MainWindow::Initialise() {
    GlobalErrors().SetProcedure("Main");
    framework::ThreadValues& thread = framework::CurrentThreadValues();
    request = static_cast<std::uint8_t>(thread.globalRequest);
    const int level = WindowManager::Initialise();
    firstField = 1;
    vcrRequest = &thread.navigationRequest;
    errors = &GlobalErrors();
    bar_.Init();
    toolbar = &bar_;
    thread.globalRequest = 0;
    thread.globalResponse = 0;
    translator = &GlobalTranslator();
    InstallRuntimeTexts();
    description = &layout_;
    Open(Services().Open(layout_));
    RegisterAlertKeys();
    return level;
}

int MainWindow::Terminate() {
    const int level = WindowManager::Terminate();
    if (level == 0) GlobalErrors().SetProcedure("", true);
    return level;
}

int MainWindow::OnAccepted(const platform::Event& event) {
    const int level = WindowManager::OnAccepted(event);
    if (event.control == mainctl::Choose) ChooseDataSource();
    if (event.control == mainctl::Start) RunTest();
    return level;
}

void MainWindow::ChooseDataSource() {
    RunPicker();
    Services().Redisplay(myWindow);
}

void MainWindow::ShowStatus(std::string_view text) {
    std::memset(statusText.data(), ' ', statusText.size());
    std::memcpy(statusText.data(), text.data(), std::min(text.size(), statusText.size()));
    Services().Redisplay(myWindow);
}

bool MainWindow::ErrorPrompt() {
    errorFlag = 1;
    const TesterVariables& vars = Globals();
    const odbc::RuntimeErrorState& e = odbc::CurrentErrors();
    platform::MessageBox box;
    // The digits after "0x" are the decimal error code.
    box.text = "Při zápisu do databáze "_w1250.str() + std::string(vars.dataSource.Trimmed()) +
               " došlo k chybě !|Číslo chyby: 0x"_w1250.str() + std::to_string(e.errorCode) + " --> " +
               platform::TrimRight(e.fileErrorText) + "|Zdrojový soubor:"_w1250.str() + std::string(vars.tableName.Trimmed()) +
               "||Chcete v testu pokračovat nebo ho ukončit?"_w1250.str();
    box.caption = "Chyba";
    box.icon = "warning2.ico";
    box.named = "&Pokračovat|&Ukončit"_w1250.str();
    if (Services().Show(box) != 2) return true;
    Services().Halt(5, "Test přerušen z důvodu chyby !"_w1250);
    return false;
}

void MainWindow::Verdict() {
    platform::MessageBox box;
    box.caption = "Hotovo";
    box.buttons = platform::button::Ok;
    if (errorFlag) {
        box.text = "Test byl dokončen !||Během testu se vyskytly chyby a tak je možné že program KORVELANDIX nebude plně kompatibilní s Vaší verzí SQL serveru."_w1250.str();
        box.icon = std::string(platform::icon::Exclamation);
    } else {
        box.text = "Test byl úspěšně dokončen !||Veškeré testy proběhly bez chyby takže je pravděpodobné že bude program KORVELANDIX plně kompatibilní s Vaší verzí SQL serveru."_w1250.str();
        box.icon = std::string(platform::icon::None);
    }
    Services().Show(box);
}

void MainWindow::RunTest() {
    TesterVariables& vars = Globals();
    TestDat& table = ThisThreadTestDat();
    vars.tableName.Assign("Test_Korvelandix");
    vars.primaryKeyName.Assign("KeyTstCislo");
    vars.secondKeyName.Assign("KeyTstNazev");
    errorFlag = 0;
    Services().Disable(myWindow, mainctl::Start);
    Services().Disable(myWindow, mainctl::Close);
    Services().SetProperty(myWindow, mainctl::Progress, platform::property::ProgressMaximum, 5);
    stepCounter = 0;

    RunObserver& observer = Observer();
    // A step that fails goes through the prompt; the observer hears of both.
    auto failed = [&](std::string_view step) {
        observer.StepEnded(step, false);
        observer.ErrorPrompted(step);
        return !ErrorPrompt();
    };

    ShowStatus("Vytvářím tabulku "_w1250.str() + std::string(vars.tableName.Trimmed()));
    observer.StepStarted("create");
    if (Issue(op::CREATE) != 0) {
        if (failed("create")) return;
    } else {
        observer.StepEnded("create", true);
    }

    ++stepCounter;
    ShowStatus("Otevírám tabulku pro zápis"_w1250);
    observer.StepStarted("open");
    if (Issue(op::OPEN, odbc::Arguments::WithNumbers({kAccessReadWriteDenyWrite})) != 0) {
        if (failed("open")) return;
    } else {
        observer.StepEnded("open", true);
        observer.TableOpened();
    }

    Issue(op::SETfile);
    ++stepCounter;

    std::string blob;
    for (int i = 0; i < 6; ++i) blob += kSentence;
    observer.StepStarted("insert");
    bool insertsOk = true;
    for (int i = 1; i <= kRows; ++i) {
        ShowStatus("Zapisuji data do tabulky ("_w1250.str() + std::to_string(i) + "/1000)");
        table.SetNazev(kRowText);
        std::memcpy(blobText.data(), blob.c_str(), blob.size() + 1);
        const std::size_t length = std::strlen(blobText.data());
        odbc::Arguments size = odbc::Arguments::WithTexts({"31929", std::to_string(length)});
        size.numbers = {1};
        Issue(op::BLOB_SET_PROP, size);
        odbc::Arguments take = odbc::Arguments::WithTexts({std::string(blobText.data(), length)});
        take.numbers = {1, 0, static_cast<std::int64_t>(length) - 1};
        Issue(op::BLOB_TAKE, take);
        if (Access()->Insert() != 0) {
            insertsOk = false;
            observer.ErrorPrompted("insert");
            if (!ErrorPrompt()) return;
        } else {
            observer.RowWritten();
        }
    }
    observer.StepEnded("insert", insertsOk);

    Issue(op::SETfile);
    ++stepCounter;

    observer.StepStarted("delete");
    bool deletesOk = true;
    std::string written(kRowText);
    written.resize(kNazevSize, ' ');
    for (int n = 1;; ++n) {
        ShowStatus("Mažu data z tabulky ("_w1250.str() + std::to_string(n) + "/1000)");
        if (Issue(op::NEXT) != 0) break;
        observer.RowRead(std::string_view(table.Record() + 4, kNazevSize), written);
        if (Issue(op::DELETE) != 0) {
            deletesOk = false;
            observer.ErrorPrompted("delete");
            if (!ErrorPrompt()) return;
        } else {
            observer.RowDeleted();
        }
    }
    observer.StepEnded("delete", deletesOk);

    observer.StepStarted("close");
    observer.StepEnded("close", Issue(op::CLOSE) == 0);
    ++stepCounter;

    ShowStatus("Mažu tabulku "_w1250.str() + std::string(vars.tableName.Trimmed()));
    observer.StepStarted("remove");
    if (Issue(op::REMOVE) != 0) {
        if (failed("remove")) return;
    } else {
        observer.StepEnded("remove", true);
    }

    ++stepCounter;
    Services().Redisplay(myWindow);
    observer.Finished(errorFlag != 0);
    Verdict();
    Services().Post(myWindow, {platform::event::CloseWindow, 0, 0});
}

void RunMainWindow() {
    MainWindow window;
    framework::CurrentThreadValues().globalResponse = window.Run();
    if (platform::Services() != nullptr && window.myWindow != 0) platform::Services()->Close(window.myWindow);
}

}  // namespace dbprobe::app
