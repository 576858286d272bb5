#pragma once
// The program's process-wide objects besides the error manager: the
// translator of window texts and the settings store on "dbprobe.INI".

#include "framework/settings_store.h"
#include "framework/translator.h"

namespace dbprobe::app {

framework::Translator& GlobalTranslator();
framework::SettingsStore& GlobalSettings();

}  // namespace dbprobe::app
