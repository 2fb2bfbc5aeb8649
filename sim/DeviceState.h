#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>

namespace sim {

// The network parameters as written by the tool; they take effect at the next
// restart (the listening address and port, the float byte order).
struct NetworkConfig {
    QString ipAddr = QStringLiteral("127.0.0.1");
    QString netMask = QStringLiteral("255.255.255.0");
    QString gateway = QStringLiteral("127.0.0.254");
    QString macAddr = QStringLiteral("00-1A-2B-3C-4D-5E");
    uint16_t port = 0;   // 0: the port the simulator first listens on
    int packFloat = 0;   // float byte order 0..3
    int speedDuplex = 0; // 0..4
};

constexpr int kInstrumentFloats = 32; // 64 registers of each kind
constexpr int kInstrumentRegisters = kInstrumentFloats * 2;

// One RK5700 instrument on the RS485 line: reachable by its number through the
// string protocol and by its unit identifier through ModBus.
struct Instrument {
    QString name;                                   // e.g. "BA001"
    uint8_t unitId;                                 // ModBus unit identifier
    std::array<float, kInstrumentFloats> inputs{};  // current values (input registers)
    std::array<float, kInstrumentFloats> holding{}; // settings (holding registers)
    QByteArray lastWrite; // the last block written through WRITEBUF / WRITE
};

struct DeviceState {
    NetworkConfig config;
    int activePackFloat = 0; // the byte order in force since the last restart
    QString version = QStringLiteral("1.00A");
    QString date = QStringLiteral("01.02.08");
    QByteArray image; // the stored firmware image
    bool remoteCom = false;
    QList<Instrument> instruments;

    // The defaults: BA001 (unit 1), BA002 (unit 2), KA010 (unit 10) and a valid
    // stored image of about 40 KB that carries the version and date.
    static DeviceState Defaults();

    // Sets version and date and rebuilds the stored image to carry them, so that
    // answers and read-back agree as on a real device.
    void setVersion(const QString& newVersion, const QString& newDate);

    // Installs `newImage`; a valid image also sets the version and date from its
    // marker (trailing blanks of the version removed).
    void install(const QByteArray& newImage);

    const Instrument* findInstrument(const QString& name) const;
    Instrument* findUnit(uint8_t unitId);
};

constexpr int kDefaultImageSize = 40 * 1024 + 123;

// The four float byte orders: for each position on the wire (register m high,
// m low, m+1 high, m+1 low), which byte of the IEEE value goes there (byte 3 is
// the most significant).
void EncodeFloat(float value, int byteOrder, uint8_t out[4]);
float DecodeFloat(const uint8_t in[4], int byteOrder);

} // namespace sim
