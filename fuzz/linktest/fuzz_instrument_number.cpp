// Any text typed as an instrument number, read as the code page and as UTF-8.
#include "FuzzRequire.h"
#include "InstrumentNumber.h"
#include "Text.h"

#include <cstddef>
#include <cstdint>

namespace {

void Check(const QString& text) {
    const std::optional<QString> number = ParseInstrumentNumber(text);
    if (!number)
        return;
    // The prefix as typed, then three digits of a number from 1 to 255.
    Require(number->size() == 5);
    Require(number->left(2) == TrimControl(text).left(2));
    bool ok = false;
    const int value = number->mid(2).toInt(&ok);
    Require(ok && value >= 1 && value <= 255);
    const ReadVariant v = ChooseReadVariant(*number);
    Require((v.blockLength == 128 && v.readCode == 145) ||
            (v.blockLength == 129 && v.readCode == 193));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Check(FromCp1251(bytes));
    Check(QString::fromUtf8(bytes));
    return 0;
}
