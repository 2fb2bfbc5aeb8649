#include "SettingsRules.h"

SettingsRules SystemSettingsRules() {
    return UnixSettingsRules();
}
