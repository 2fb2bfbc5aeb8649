#include "DeviceEngine.h"

#include "NumberReading.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

enum class ValueKind { Address, Mac, Number, DeviceName };

struct AssignKey {
    const char* name;
    ValueKind kind;
};

constexpr AssignKey kAssignKeys[] = {
    {"IPADDR", ValueKind::Address},      {"NETMASK", ValueKind::Address},
    {"GW", ValueKind::Address},          {"SERVICE", ValueKind::Number},
    {"MACADDR", ValueKind::Mac},         {"PACKFLOAT", ValueKind::Number},
    {"SPEED_DUPLEX", ValueKind::Number}, {"CLOSE", ValueKind::Number},
    {"WRITESOFT", ValueKind::Number},    {"READSOFT", ValueKind::Number},
    {"UPGRADE", ValueKind::Number},      {"SERVORRCOM", ValueKind::Number},
    {"NDEVICE", ValueKind::DeviceName},  {"LENBLOCK", ValueKind::Number},
    {"NBLOCKS", ValueKind::Number},      {"READ", ValueKind::Number},
    {"WRITEBUF", ValueKind::Number},     {"WRITE", ValueKind::Number},
};

constexpr const char* kQueryNames[] = {"IPADDR",       "NETMASK",     "GW",        "SERVICE",
                                       "VERSION",      "DATEVERSION", "PACKFLOAT", "MACADDR",
                                       "SPEED_DUPLEX", "SERVORRCOM"};

constexpr const char* kBareWords[] = {"READBUF"};

const char kSwitchOff[] = "\xFF\xFE\x2C\xAA\xBB\xFF\xF0";
constexpr qsizetype kSwitchOffSize = 7;
constexpr int kMbapSize = 6;
constexpr int kMaxMbapLength = 254; // unit identifier + the largest PDU

bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isWordChar(unsigned char c) {
    return isLetter(c) || (c >= '0' && c <= '9') || c == '_';
}
bool isTextByte(unsigned char c) {
    return c >= 33 && c <= 126;
}
bool isHex(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isNumberChar(unsigned char c) {
    return isHex(c) || c == 'x' || c == 'X' || c == '$' || c == '+' || c == '-';
}

bool startsWithNoCase(const QByteArray& text, qsizetype pos, const char* word) {
    const auto n = static_cast<qsizetype>(std::strlen(word));
    if (text.size() - pos < n)
        return false;
    return qstrnicmp(text.constData() + pos, word, static_cast<size_t>(n)) == 0;
}

const AssignKey* findAssignKey(const QByteArray& word) {
    for (const AssignKey& k : kAssignKeys) {
        if (word == k.name)
            return &k;
    }
    return nullptr;
}

template <typename List> bool isPrefixOfAny(const QByteArray& word, const List& names) {
    for (const char* name : names) {
        if (QByteArray(name).startsWith(word))
            return true;
    }
    return false;
}

bool isPrefixOfAnyKeyword(const QByteArray& word) {
    for (const AssignKey& k : kAssignKeys) {
        if (QByteArray(k.name).startsWith(word))
            return true;
    }
    return isPrefixOfAny(word, kBareWords);
}

bool isBareWord(const QByteArray& word) {
    return std::any_of(std::begin(kBareWords), std::end(kBareWords),
                       [&](const char* w) { return word == w; });
}

bool isKnownQuery(const QByteArray& name) {
    return std::any_of(std::begin(kQueryNames), std::end(kQueryNames),
                       [&](const char* q) { return name == q; });
}

// True while the value could still grow into a valid one of its kind.
bool isPartialValue(ValueKind kind, const QByteArray& v) {
    if (v.isEmpty())
        return true;
    switch (kind) {
    case ValueKind::Address: {
        if (!std::all_of(v.begin(), v.end(),
                         [](char c) { return c == '.' || (c >= '0' && c <= '9'); }))
            return false;
        const auto dots = v.count('.');
        return dots < 3 || (dots == 3 && v.endsWith('.'));
    }
    case ValueKind::Mac:
        if (v.size() >= 17)
            return false;
        for (qsizetype i = 0; i < v.size(); ++i) {
            const auto c = static_cast<unsigned char>(v[i]);
            if (i % 3 == 2 ? c != '-' : !isHex(c))
                return false;
        }
        return true;
    case ValueKind::Number:
        return v == "+" || v == "-";
    case ValueKind::DeviceName:
        return v.size() < 5 && std::all_of(v.begin() + std::min<qsizetype>(2, v.size()), v.end(),
                                           [](char c) { return c >= '0' && c <= '9'; });
    }
    return false;
}

} // namespace

bool IsValidAddress(const QByteArray& value) {
    const QList<QByteArray> parts = value.split('.');
    if (parts.size() != 4)
        return false;
    for (const QByteArray& p : parts) {
        if (p.isEmpty() || p.size() > 3 ||
            !std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            p.toInt() > 255)
            return false;
    }
    return true;
}

bool IsValidMac(const QByteArray& value) {
    if (value.size() != 17)
        return false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (i % 3 == 2 ? c != '-' : !isHex(c))
            return false;
    }
    return true;
}

int ValueNumber(const QByteArray& value, int def) {
    return ReadNumber(QString::fromLatin1(value), def);
}

DeviceEngine::DeviceEngine(DeviceState state) : state_(std::move(state)) {
    state_.activePackFloat = state_.config.packFloat;
}

EngineOutput DeviceEngine::take() {
    EngineOutput result = std::move(out_);
    out_ = EngineOutput{};
    return result;
}

EngineOutput DeviceEngine::feed(QByteArrayView bytes) {
    if (out_.action != EngineAction::None)
        return take();
    input_.append(bytes.data(), bytes.size());
    while (out_.action == EngineAction::None && frameOne(false)) {
    }
    // Only an unfinished command is left; one this long is no command at all.
    if (input_.size() > maxPartial_) {
        out_.discarded = input_.size();
        dropInput();
    }
    return take();
}

EngineOutput DeviceEngine::poll(uint32_t idleMs) {
    if (rawKind_ != RawKind::None) {
        if (idleMs >= kRawIdleMs) {
            rawKind_ = RawKind::None;
            rawData_.clear();
        }
        return take();
    }
    if (idleMs >= kTextIdleMs) {
        while (out_.action == EngineAction::None && frameOne(true)) {
        }
    }
    return take();
}

bool DeviceEngine::hasPendingInput() const {
    return !input_.isEmpty() || rawKind_ != RawKind::None;
}

void DeviceEngine::connectionOpened() {
    input_.clear();
    rawKind_ = RawKind::None;
    rawData_.clear();
    held_.clear();
    commandCount_ = 0;
    device_.clear();
    lenBlock_ = 129;
    nBlocks_ = 1;
    readReady_ = false;
    out_ = EngineOutput{};
}

void DeviceEngine::restarted() {
    connectionOpened();
    state_.activePackFloat = state_.config.packFloat;
    upload_.clear();
    uploaded_.reset();
}

void DeviceEngine::dropInput() {
    input_.clear();
}

bool DeviceEngine::frameOne(bool atIdle) {
    const auto byteAt = [this](qsizetype i) { return static_cast<unsigned char>(input_[i]); };

    if (rawKind_ != RawKind::None) {
        if (input_.isEmpty())
            return false;
        const qsizetype n = std::min(rawExpected_ - rawData_.size(), input_.size());
        rawData_.append(input_.constData(), n);
        input_.remove(0, n);
        if (rawData_.size() == rawExpected_) {
            const RawKind kind = rawKind_;
            rawKind_ = RawKind::None;
            if (kind == RawKind::SoftBlock)
                softBlockReceived();
            else
                writeBufReceived();
            rawData_.clear();
        }
        return true;
    }

    qsizetype skip = 0;
    while (skip < input_.size() && (isBlank(byteAt(skip)) || byteAt(skip) == ';'))
        ++skip;
    input_.remove(0, skip);
    if (input_.isEmpty())
        return false;
    const qsizetype size = input_.size();

    // Text never holds NUL bytes, so a protocol identifier of 0 marks ModBus.
    if (size >= 4 && byteAt(2) == 0 && byteAt(3) == 0) {
        if (size < kMbapSize) {
            if (atIdle)
                dropInput();
            return atIdle;
        }
        const int length = byteAt(4) * 256 + byteAt(5);
        if (length < 2 || length > kMaxMbapLength) {
            dropInput();
            return true;
        }
        if (size < kMbapSize + length) {
            if (atIdle)
                dropInput();
            return atIdle;
        }
        const QByteArray frame = input_.left(kMbapSize + length);
        input_.remove(0, frame.size());
        dispatchModbus(frame);
        return true;
    }

    const unsigned char first = byteAt(0);
    if (first == 0xFF) {
        const qsizetype n = std::min(size, kSwitchOffSize);
        if (std::memcmp(input_.constData(), kSwitchOff, static_cast<size_t>(n)) == 0) {
            if (n == kSwitchOffSize) {
                input_.remove(0, kSwitchOffSize);
                switchOffRemoteCom();
                return true;
            }
            if (atIdle)
                dropInput();
            return atIdle;
        }
    }
    if (!isTextByte(first)) {
        // Possibly the start of a ModBus frame: wait for its header.
        if (size < 4 && !atIdle)
            return false;
        dropInput();
        return true;
    }
    if (first == '?')
        return frameQuery(atIdle);
    if (isLetter(first))
        return frameWord(atIdle);

    // Text that starts no command: one NO up to the next separator.
    qsizetype end = 0;
    while (end < size && (isTextByte(byteAt(end)) || byteAt(end) == ' ' || byteAt(end) == '\t') &&
           byteAt(end) != ';' && byteAt(end) != '?')
        ++end;
    input_.remove(0, end);
    if (admit(QStringLiteral("NO")))
        answer("NO;");
    afterCommand();
    return true;
}

bool DeviceEngine::frameQuery(bool atIdle) {
    qsizetype end = 1;
    while (end < input_.size() && isWordChar(static_cast<unsigned char>(input_[end])))
        ++end;
    const QByteArray name = input_.mid(1, end - 1).toUpper();
    if (end == input_.size() && !atIdle && !isKnownQuery(name) && isPrefixOfAny(name, kQueryNames))
        return false;
    if (end < input_.size() && input_[end] == ';')
        ++end;
    input_.remove(0, end);
    dispatchQuery(name);
    return true;
}

bool DeviceEngine::keywordStartsAt(qsizetype pos) const {
    for (const AssignKey& k : kAssignKeys) {
        if (!startsWithNoCase(input_, pos, k.name))
            continue;
        qsizetype i = pos + static_cast<qsizetype>(std::strlen(k.name));
        while (i < input_.size() && (input_[i] == ' ' || input_[i] == '\t'))
            ++i;
        if (i < input_.size() && input_[i] == '=')
            return true;
    }
    for (const char* w : kBareWords) {
        if (!startsWithNoCase(input_, pos, w))
            continue;
        const qsizetype i = pos + static_cast<qsizetype>(std::strlen(w));
        if (i == input_.size() || !isWordChar(static_cast<unsigned char>(input_[i])))
            return true;
    }
    return false;
}

bool DeviceEngine::frameWord(bool atIdle) {
    const qsizetype size = input_.size();
    qsizetype end = 0;
    while (end < size && isWordChar(static_cast<unsigned char>(input_[end])))
        ++end;
    const QByteArray word = input_.left(end).toUpper();
    const AssignKey* key = findAssignKey(word);

    qsizetype eq = end;
    while (eq < size && (input_[eq] == ' ' || input_[eq] == '\t'))
        ++eq;
    if (eq == size && !atIdle) {
        const bool completeBare = end == size && isBareWord(word) && !findAssignKey(word);
        if (!completeBare && (key || (end == size && isPrefixOfAnyKeyword(word))))
            return false;
    }
    if (eq < size && input_[eq] == '=') {
        qsizetype from = eq + 1;
        while (from < size && (input_[from] == ' ' || input_[from] == '\t'))
            ++from;
        qsizetype to = from;
        while (to < size) {
            const auto c = static_cast<unsigned char>(input_[to]);
            if (!isTextByte(c) || c == ';' || c == '?' || c == '=' ||
                (key && key->kind == ValueKind::Number && !isNumberChar(c)) ||
                (to > from && keywordStartsAt(to)))
                break;
            ++to;
        }
        const QByteArray value = input_.mid(from, to - from);
        if (to == size && !atIdle && key && isPartialValue(key->kind, value))
            return false;
        input_.remove(0, to);
        dispatchAssignment(word, value);
        return true;
    }
    input_.remove(0, end);
    if (isBareWord(word)) {
        dispatchBareWord(word);
    } else {
        if (admit(QString::fromLatin1(word)))
            answer("NO;");
        afterCommand();
    }
    return true;
}

bool DeviceEngine::admit(const QString& name) {
    ++commandCount_;
    return !faults_.isSilent(name);
}

void DeviceEngine::afterCommand() {
    if (faults_.dropAfterCommands >= 0 && commandCount_ >= faults_.dropAfterCommands)
        requestAction(EngineAction::Close);
}

void DeviceEngine::requestAction(EngineAction action) {
    if (out_.action == EngineAction::None || action == EngineAction::Restart)
        out_.action = action;
    input_.clear();
    rawKind_ = RawKind::None;
}

void DeviceEngine::dispatchQuery(const QByteArray& name) {
    if (admit(QStringLiteral("?") + QString::fromLatin1(name))) {
        if (!configQuery(name))
            answer("NO;");
    }
    afterCommand();
}

void DeviceEngine::dispatchAssignment(const QByteArray& key, const QByteArray& value) {
    if (admit(QString::fromLatin1(key))) {
        if (!configAssignment(key, value) && !firmwareAssignment(key, value) &&
            !instrumentAssignment(key, value))
            answer("NO;");
    }
    afterCommand();
}

void DeviceEngine::dispatchBareWord(const QByteArray& word) {
    if (admit(QString::fromLatin1(word))) {
        if (!instrumentBareWord(word))
            answer("NO;");
    }
    afterCommand();
}

void DeviceEngine::dispatchModbus(const QByteArray& frame) {
    if (admit(QStringLiteral("MODBUS")))
        answerData(modbusReply(frame));
    afterCommand();
}

void DeviceEngine::switchOffRemoteCom() {
    // The switch-off sequence is never answered; its state query follows it.
    if (admit(QStringLiteral("COMOFF")))
        state_.remoteCom = false;
    afterCommand();
}

void DeviceEngine::answer(const QByteArray& bytes) {
    QByteArray all = bytes;
    if (faults_.mergeAnswers) {
        if (held_.isEmpty()) {
            held_ = all;
            return;
        }
        all = held_ + all;
        held_.clear();
    }
    const int at = std::max(0, faults_.answerDelayMs);
    // Pieces of near equal size, the last one taking the rest; never more
    // pieces than bytes.
    const qsizetype pieces = std::clamp<qsizetype>(faults_.answerPieces, 1, all.size());
    const int gap = std::max(0, faults_.splitGapMs);
    qsizetype from = 0;
    for (qsizetype i = 0; i < pieces; ++i) {
        const qsizetype to = i + 1 == pieces ? all.size() : all.size() * (i + 1) / pieces;
        out_.writes.append({all.mid(from, to - from), at + int(i) * gap});
        from = to;
    }
}

void DeviceEngine::answerItem(const QByteArray& key, const QByteArray& value) {
    answer(key + " = " + value + ";");
}

void DeviceEngine::answerSet(const QByteArray& key, bool ok) {
    answerItem("SET_" + key, ok ? "OK" : "ERROR");
}

} // namespace sim
