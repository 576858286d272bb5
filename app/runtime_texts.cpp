#include "app/runtime_texts.h"

#include <langinfo.h>

#include <string>
#include <string_view>
#include <utility>

#include "framework/platform/core/encoding.h"
#include "framework/platform/core/runtime_settings.h"

namespace dbprobe::app {
namespace {

using namespace platform::literals;

struct ErrorTextEntry {
    int code;
    std::string_view text;
};

// Codes not listed keep the runtime's built-in English text.
const ErrorTextEntry kErrorTexts[] = {
    {2, "Soubor nenalezen"_w1250},
    {3, "Cesta nebyla nalezena"_w1250},
    {4, "Příliš mnoho otevřených souborů"_w1250},
    {5, "Přístup odepřen"_w1250},
    {7, "Chyba v přístupu k paměti"_w1250},
    {8, "Nedostatek volné paměti"_w1250},
    {15, "Chybný disk"_w1250},
    {30, "Položka nebyla nalezena"_w1250},
    {32, "Soubor je již uzamčen"_w1250},
    {33, "Záznam není přístupný"_w1250},
    {35, "Záznam nebyl nalezen"_w1250},
    {36, "Poškozený datový soubor"_w1250},
    {37, "Soubor není otevřen"_w1250},
    {38, "Špatná hlavička souboru"_w1250},
    {40, "Vytvářím duplicitní klíč"_w1250},
    {43, "Record Is Already Held"_w1250},
    {45, "Chybný název souboru"_w1250},
    {46, "Indexy souboru musí být rekonstruovány"_w1250},
    {47, "Chybná deklarace souboru"_w1250},
    {48, "Unable to log transaction"_w1250},
    {52, "Soubor je již otevřen"_w1250},
    {54, "Soubor nemá atribut pro vytvoření"_w1250},
    {55, "Sobour musí být sdílen"_w1250},
    {56, "Logout Already Active"_w1250},
    {57, "Invalid Memo File"_w1250},
    {63, "Vyžadován exklusivní přístup"_w1250},
    {64, "Chyba sdílení"_w1250},
    {65, "Unable to rollback transaction"_w1250},
    {73, "Memo File is Missing"_w1250},
    {75, "Invalid Field Type Descriptor"_w1250},
    {76, "Invalid Index String"_w1250},
    {77, "Nemohu přečíst index"_w1250},
    {78, "Invalid Number Of Parameters"_w1250},
    {79, "Unsupported Data Type in File"_w1250},
    {80, "Funkce není podporována"_w1250},
    {89, "Záznam byl již změněn jinou stanicí"_w1250},
    {90, "Chyba souborového systému"_w1250},
    {91, "No Logout Active"_w1250},
    {92, "Probíhá reindexace"_w1250},
    {93, "Reindexace stornována"_w1250},
    {97, "Stream Error"_w1250},
    {100, "Trigger Error"_w1250},
};

// The operating system's morning and afternoon marks (the locale setting
// takes them from there; the Czech marks replace them right after).
std::string SystemDayMarks() { return std::string(nl_langinfo(AM_STR)) + "," + nl_langinfo(PM_STR); }

}  // namespace

void InstallRuntimeTexts() {
    using namespace platform;
    WriteSetting(setting::Locale, "WINDOWS");
    WriteSetting(setting::DayMarks, SystemDayMarks());
    WriteSetting(setting::Charset, "EASTEUROPE");
    WriteSetting(setting::Collation, "WINDOWS");
    for (const ErrorTextEntry& e : kErrorTexts) WriteErrorText(e.code, std::string(e.text));
    WriteSetting(setting::Buttons, "OK,&Ano,&Ne,&Přeruš,&Znovu,&Ignoruj,&Storno,&Pomoc"_w1250.str());
    WriteSetting(setting::Months,
                 "Leden,Únor,Březen,Duben,Květen,Červen,Červenec,Srpen,Září,Říjen,Listopad,Prosinec"_w1250.str());
    WriteSetting(setting::DayMarks, "Dop.,Odp."_w1250.str());
}

}  // namespace dbprobe::app
