#include "UiFontFamilies.h"

// Segoe UI since Vista; Tahoma before it and under Wine. Named rather than
// taken from the default "MS Shell Dlg 2", which may map to a serif face.
QStringList UiFontFamilies() {
    return {QStringLiteral("Segoe UI"), QStringLiteral("Tahoma")};
}
