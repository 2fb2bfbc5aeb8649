// Arbitrary device bytes through the answer splitting and every value conversion the item
// actions use. Besides the sanitizers' findings it traps on broken invariants of the grammar.
#include "AnswerGrammar.h"
#include "NumberReading.h"
#include "Text.h"
#include "ValueChecks.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool ok) {
    if (!ok)
        std::abort();
}

bool IsTrimmed(const QString& s) {
    return s.isEmpty() || (s.front().unicode() > 32 && s.back().unicode() > 32);
}

void CheckDisplay(const QString& value, const QStringList& table) {
    const std::optional<QString> shown = IndexDisplay(value, table);
    Require(shown.has_value() != value.isEmpty());
    if (shown)
        Require(*shown == QLatin1String("Error ") || table.contains(*shown));
}

void CheckConversions(const QString& s) {
    // Results are not predicted here; the sanitizers watch how they are reached.
    const bool ip = CheckIpAddress(s);
    Require(!ip || (s.size() >= 7 && s.count(QLatin1Char('.')) >= 3));
    const bool mac = CheckMacAddress(s);
    Require(!mac || (s.size() >= 11 && s.count(QLatin1Char('-')) >= 5));
    Require(CheckPort(s) == (ReadNumber(s, -1) >= 1));
    (void)ReadNumber(s, 256);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = FromCp1251(bytes);
    const QList<AnswerItem> items = SplitAnswer(text);

    const QString trimmed = TrimControl(text);
    const qsizetype semis = trimmed.count(QLatin1Char(';'));
    const qsizetype expected =
        trimmed.isEmpty() ? 0 : semis + (trimmed.endsWith(QLatin1Char(';')) ? 0 : 1);
    Require(items.size() == expected);

    const QStringList packFloat = PackFloatItems();
    const QStringList speedDuplex = SpeedDuplexItems();
    for (const AnswerItem& item : items) {
        Require(IsTrimmed(item.key) && IsTrimmed(item.value));
        Require(!item.key.contains(QLatin1Char('=')) && !item.key.contains(QLatin1Char(';')));
        Require(!item.value.contains(QLatin1Char(';')));
        const int index = FindAnswerKey(item.key);
        Require(index >= -1 && index < kAnswerKeyCount);
        if (index >= 0)
            Require(AnswerKeyName(index) == item.key);
        CheckDisplay(item.value, packFloat);
        CheckDisplay(item.value, speedDuplex);
        const std::optional<bool> off = RemoteComOff(item.value);
        Require(off.has_value() != item.value.isEmpty());
        CheckConversions(item.key);
        CheckConversions(item.value);
    }
    // The checks also run on the raw text, where the device's separators and blanks remain.
    CheckConversions(text);
    return 0;
}
