#include "SettingsRules.h"

SettingsRules SystemSettingsRules() {
    return WindowsSettingsRules();
}
