#pragma once

#include <QLatin1String>
#include <QList>
#include <QString>

// Far more items than any answer carries; see SplitAnswer.
inline constexpr qsizetype kMaxAnswerItems = 4096;

// One KEY = VALUE item of an answer text, upper-cased and trimmed; the value may be empty.
struct AnswerItem {
    QString key;
    QString value;
};

inline bool operator==(const AnswerItem& a, const AnswerItem& b) {
    return a.key == b.key && a.value == b.value;
}

// Cuts one received answer text into its items, in order. Every ";" closes one item, and a
// missing final ";" is implied, so a lone ";" is one item with an empty key. The key is the
// part before the first "=", the value everything after it (later "=" stay in the value).
// A text that is empty after trimming holds no items.
// At most `maxItems` items are cut; the rest of the text is left unread, so a
// device that floods one answer with separators cannot make the tool build
// millions of items.
QList<AnswerItem> SplitAnswer(const QString& text, qsizetype maxItems = kMaxAnswerItems);

// Indexes of the answer-key table; the order is the device's and must not change.
enum class AnswerKey : int {
    Unknown = -1,
    NO = 0,
    SET_IPADDR,
    SET_NETMASK,
    SET_SERVICE,
    SET_GW,
    SET_PACKFLOAT,
    IPADDR,
    NETMASK,
    SERVICE,
    GW,
    VERSION,
    DATEVERSION,
    PACKFLOAT,
    WRITESOFT,
    UPGRADE,
    READSOFT,
    NDEVICE,
    LENBLOCK,
    NBLOCKS,
    READ,
    READBUF,
    SET_MACADDR,
    MACADDR,
    SET_SPEED_DUPLEX,
    SPEED_DUPLEX,
    SET_SERVORRCOM,
    SERVORRCOM,
};

constexpr int kAnswerKeyCount = 27;

// Index of `key` in the answer-key table (exact, case-sensitive), or -1.
int FindAnswerKey(const QString& key);

// The key text at `index`, or an empty text outside 0..26.
QLatin1String AnswerKeyName(int index);

// The two answer values the tool compares against.
inline constexpr QLatin1String kAnswerOk{"OK"};
inline constexpr QLatin1String kAnswerReady{"READY"};
