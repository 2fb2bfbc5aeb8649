#include "UiFontFamilies.h"

QStringList UiFontFamilies() {
    return {QStringLiteral("DejaVu Sans")};
}
