#include "AnswerGrammar.h"

#include "Text.h"

#include <array>

namespace {

constexpr std::array<const char*, kAnswerKeyCount> kAnswerKeys = {
    "NO",           "SET_IPADDR",     "SET_NETMASK", "SET_SERVICE", "SET_GW",  "SET_PACKFLOAT",
    "IPADDR",       "NETMASK",        "SERVICE",     "GW",          "VERSION", "DATEVERSION",
    "PACKFLOAT",    "WRITESOFT",      "UPGRADE",     "READSOFT",    "NDEVICE", "LENBLOCK",
    "NBLOCKS",      "READ",           "READBUF",     "SET_MACADDR", "MACADDR", "SET_SPEED_DUPLEX",
    "SPEED_DUPLEX", "SET_SERVORRCOM", "SERVORRCOM"};

AnswerItem MakeItem(QStringView raw) {
    const QString item = TrimControl(raw.toString()).toUpper();
    const qsizetype eq = item.indexOf(QLatin1Char('='));
    if (eq < 0)
        return {item, QString()};
    return {TrimControl(item.left(eq)), TrimControl(item.mid(eq + 1))};
}

} // namespace

QList<AnswerItem> SplitAnswer(const QString& text, qsizetype maxItems) {
    const QString trimmed = TrimControl(text);
    QList<AnswerItem> items;
    if (trimmed.isEmpty())
        return items;
    // One pass from the last cut onwards: a megabyte of short items must not cost a search
    // from the start of the text for every item.
    const QStringView view(trimmed);
    qsizetype start = 0;
    while (items.size() < maxItems) {
        const qsizetype semi = view.indexOf(QLatin1Char(';'), start);
        if (semi < 0)
            break;
        items.append(MakeItem(view.mid(start, semi - start)));
        start = semi + 1;
    }
    if (start < view.size() && items.size() < maxItems)
        items.append(MakeItem(view.mid(start)));
    return items;
}

int FindAnswerKey(const QString& key) {
    for (int i = 0; i < kAnswerKeyCount; ++i) {
        if (key == QLatin1String(kAnswerKeys[static_cast<std::size_t>(i)]))
            return i;
    }
    return -1;
}

QLatin1String AnswerKeyName(int index) {
    if (index < 0 || index >= kAnswerKeyCount)
        return QLatin1String();
    return QLatin1String(kAnswerKeys[static_cast<std::size_t>(index)]);
}
