#include "framework/error_catalogue.h"

#include "framework/error_manager.h"
#include "framework/platform/core/encoding.h"

namespace dbprobe::framework {
namespace {

using namespace platform::literals;

void PutText(std::string& block, std::string_view text) {
    const std::size_t n = std::min<std::size_t>(text.size(), 255);
    block.push_back(static_cast<char>(n));
    block.append(text.substr(0, n));
}

}  // namespace

std::string PackCatalogue(const std::vector<CatalogueEntry>& entries) {
    std::string block;
    const auto count = static_cast<std::uint16_t>(entries.size());
    block.push_back(static_cast<char>(count & 0xFF));
    block.push_back(static_cast<char>(count >> 8));
    for (const CatalogueEntry& e : entries) {
        block.push_back(static_cast<char>(e.id & 0xFF));
        block.push_back(static_cast<char>(e.id >> 8));
        block.push_back(static_cast<char>(e.level));
        PutText(block, e.title);
        PutText(block, e.message);
    }
    return block;
}

const std::string& CzechCatalogue() {
    using namespace level;
    static const std::string block = PackCatalogue({
        {1, Notify, "Chyba při čtení souboru"_w1250, "Vznikla chyba při čtení záznamu z databáze: %File.|Otevřené okno bude zavřeno."_w1250},
        {2, Notify, "Přístup odmítnut"_w1250, "Nemohu provést zápis do databáze: %File. |Otevírám pouze pro čtení."_w1250},
        {3, User, "Záznam přidán"_w1250, "Záznam byl uložen do databáze.|Chcete přidat další záznam?"_w1250},
        {4, Notify, "Vložení záznamu"_w1250, "Vznikla chyba během vkládaní/uložení záznamu."_w1250},
        {5, Notify, "Přidat nový záznam ?"_w1250, "Záznam nebyl nalezen. Chcete přidat nový ?"_w1250},
        {6, Fatal, "Chyba v přístupu k souboru !"_w1250, "Nepodařilo se otevřít soubor %File."_w1250},
        {7, Notify, "Změna nebyla provedena"_w1250, "Záznam byl již změněn jinou stanicí."_w1250},
        {8, Notify, "Změna nebyla provedena"_w1250, "Záznam byl již změněn jinou stanicí. Použijte Ctrl+H pro vrácení změn."_w1250},
        {10, User, "Změny nebudou uloženy!"_w1250, "Opravdu chcete stornovat operaci?"_w1250},
        {11, User, "Potvrzení vymazání"_w1250, "Opravdu chcete vymazat záznam ?"_w1250},
        {12, Fatal, "Chyba databáze"_w1250, "Chyba při vytváření databáze %File."_w1250},
        {13, Notify, "Záznam nebyl smazán !"_w1250, "Vznikla neznámá chyba při pokusu smazat databázi: %File."_w1250},
        {14, Notify, "Upozornění"_w1250, "Toto okno nelze použít ke smazání záznamu !"_w1250},
        {15, Notify, "Duplicitní klíč"_w1250, "Přidáním tohoto záznamu vytváříte duplicitní klíč!"_w1250},
        {16, Notify, "Chyba"_w1250, "Hodnota pole musí být v souboru %Message."_w1250},
        {17, Notify, "Chybný rozsah"_w1250, "Hodnota pole musí být : %Message."_w1250},
        {18, Notify, "Chyba"_w1250, "Číslo musí být mezi %Message."_w1250},
        {19, Notify, "Chyba"_w1250, "Číslo musí být menší než %Message."_w1250},
        {20, Notify, "Chyba"_w1250, "Číslo musí být větší než %Message."_w1250},
        {21, Notify, "Chyba při otevírání"_w1250, "Soubor %File nelze otevřít !"_w1250},
        {23, Notify, "Upozornění"_w1250, "Toto okno nelze použít pro vložení záznamu !"_w1250},
        {24, Notify, "Transaction cancelled"_w1250, "Error: (%ErrorText) attempting to frame the transaction on %File."_w1250},
        {25, Notify, "Žádné položky"_w1250, "Na zvolené kartě musí být alespoň 1 položka!"_w1250},
        {27, Notify, "Procedura není definována"_w1250, "Procedura %Message není definována."_w1250},
        {28, Notify, "Záznam nebyl aktualizován !"_w1250, "Vznikla neznámá chyba při pokusu aktualizovat databázi: %File."_w1250},
        {29, Fatal, "Klíč nebyl vytvořen"_w1250, "Chyba: (%ErrorText) při vytváření klíče v databázi %File."_w1250},
        {30, Notify, "Špatný klíč"_w1250, "Klíč v databázi %File je špatný. Je nutno vygenerovat nový klíč."_w1250},
        {31, Notify, "Záznam nebyl přečten"_w1250, "A record held by another station was encountered reading from the %File file."_w1250},
        {33, Notify, "Smazání záznamu"_w1250, "Nemohu smazat kartu, která obsahuje odkaz platné položky.|Odstraňte nejdříve všechny položky a odkazy na tuto kartu!"_w1250},
        {34, Notify, "Referential Integrity Update Error"_w1250, "This record is referenced from the file %File. Linking field(s) have been restricted from change and have been reset to original values."_w1250},
        {35, User, "Auto Increment Error"_w1250, "Attempts to automatically number this record have failed.  Error: %ErrorText. Try Again?"_w1250},
        {36, User, "Chyba při mazání"_w1250, "Vznikla neznámá chyba během mazání záznamu.|Chcete pokus opakovat?"_w1250},
        {37, User, "Chyba při ukládání"_w1250, "Vznikla neznámá chyba během ukládání záznamu.|Chcete pokus opakovat?"_w1250},
        {38, User, "Potvrzení uložení"_w1250, "Chcete provedené změny uložit ?"_w1250},
        {39, User, "Chyba databáze"_w1250, "Začátek databáze %File je poškozen. Chcete začít znovu od konce databáze?"_w1250},
        {40, User, "Chyba databáze"_w1250, "Konec databáze %File je poškozen. Chcete začít znovu od začátku?"_w1250},
        {41, Notify, "Upozornění"_w1250, "Toto okno nelze použít k opravě záznamu !"_w1250},
        {42, Program, "Chyba databáze"_w1250, "Pokoušíte se použít databázi (%File) která nebyla otevřena !"_w1250},
        {43, Notify, "Chyba databáze"_w1250, "Při čtení databáze vznikla chyba: (%ErrorText)"_w1250},
        {44, Notify, "Unsupported QBE Column"_w1250, "The saved QBE column, %Field is not supported. It will be dropped from the query."_w1250},
    });
    return block;
}

}  // namespace dbprobe::framework
