#include "DeviceState.h"

#include "FirmwareImage.h"

#include <cstring>

namespace sim {

namespace {
constexpr int kByteOrders[4][4] = {{1, 0, 3, 2}, {0, 1, 2, 3}, {3, 2, 1, 0}, {2, 3, 0, 1}};

int clampOrder(int order) {
    return order >= 0 && order < 4 ? order : 0;
}

Instrument makeInstrument(const QString& name, uint8_t unit, float base) {
    Instrument in{name, unit, {}, {}, {}};
    for (int i = 0; i < kInstrumentFloats; ++i) {
        in.inputs[static_cast<size_t>(i)] = base + 1.25f * static_cast<float>(i);
        in.holding[static_cast<size_t>(i)] = static_cast<float>(i);
    }
    return in;
}
} // namespace

DeviceState DeviceState::Defaults() {
    DeviceState s;
    s.image = BuildFirmwareImage(s.version, s.date, kDefaultImageSize);
    s.instruments = {makeInstrument(QStringLiteral("BA001"), 1, 101.25f),
                     makeInstrument(QStringLiteral("BA002"), 2, 20.5f),
                     makeInstrument(QStringLiteral("KA010"), 10, -3.75f)};
    return s;
}

void DeviceState::setVersion(const QString& newVersion, const QString& newDate) {
    version = newVersion;
    date = newDate;
    image =
        BuildFirmwareImage(version, date, image.isEmpty() ? kDefaultImageSize : int(image.size()));
}

void DeviceState::install(const QByteArray& newImage) {
    image = newImage;
    const ImageCheck check = CheckImage(image);
    if (check.ok()) {
        version = QString::fromLatin1(check.version).trimmed();
        date = QString::fromLatin1(check.date).trimmed();
    }
}

const Instrument* DeviceState::findInstrument(const QString& name) const {
    for (const Instrument& in : instruments) {
        if (in.name.compare(name, Qt::CaseInsensitive) == 0)
            return &in;
    }
    return nullptr;
}

Instrument* DeviceState::findUnit(uint8_t unitId) {
    for (Instrument& in : instruments) {
        if (in.unitId == unitId)
            return &in;
    }
    return nullptr;
}

void EncodeFloat(float value, int byteOrder, uint8_t out[4]) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int* order = kByteOrders[clampOrder(byteOrder)];
    for (int k = 0; k < 4; ++k)
        out[k] = static_cast<uint8_t>(bits >> (8 * order[k]));
}

float DecodeFloat(const uint8_t in[4], int byteOrder) {
    const int* order = kByteOrders[clampOrder(byteOrder)];
    uint32_t bits = 0;
    for (int k = 0; k < 4; ++k)
        bits |= static_cast<uint32_t>(in[k]) << (8 * order[k]);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace sim
