#include "app/program_globals.h"

namespace dbprobe::app {

framework::Translator& GlobalTranslator() {
    static framework::Translator translator;
    return translator;
}

framework::SettingsStore& GlobalSettings() {
    static framework::SettingsStore store;
    return store;
}

}  // namespace dbprobe::app
