#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Float byte order the device uses for ModBus values; the index is what goes over the wire.
constexpr int kPackFloatLastIndex = 3;
// Ethernet speed/duplex setting; the index is what goes over the wire.
constexpr int kSpeedDuplexLastIndex = 4;

// Item texts of the two combo boxes, in index order.
QStringList PackFloatItems();
QStringList SpeedDuplexItems();

// Text for one index, or an empty text when the index is outside the table.
QString PackFloatText(int index);
QString SpeedDuplexText(int index);

// An answered table index by the same reading: -1 outside 0..tableSize-1, std::nullopt for
// an empty value.
std::optional<int> AnsweredIndex(const QString& value, int tableSize);

// Shows an answered table index: only the first character counts, taken as a byte minus "0"
// (so characters below "0" wrap to large numbers). Outside the table it gives "Error " with
// its trailing blank. An empty value is a processing error: std::nullopt, and the caller
// stops applying the rest of that answer text.
std::optional<QString> IndexDisplay(const QString& value, const QStringList& table);

// The device reports the remote COM-port function as a value starting with "0" when it is
// off. True: off; false: leave the label's text. An empty value is a processing error, as
// for IndexDisplay.
std::optional<bool> RemoteComOff(const QString& value);

// Dotted address: four parts 0..255 cut at the first three ".", each read as a number.
bool CheckIpAddress(const QString& text);
// The four values a dotted address passing CheckIpAddress stands for, so that
// "010.0.0.1" and "10.0.0.1" compare equal.
std::optional<QByteArray> IpAddressBytes(const QString& text);
// A network mask's four bytes as a network can use them: ones, then zeros
// (255.255.255.0, 0.0.0.0), not 255.0.255.0.
bool IsContiguousMask(const QByteArray& bytes);
// Six parts cut at the first five "-", each 0..255 read as a number or as a hexadecimal pair.
bool CheckMacAddress(const QString& text);
// The six bytes of a MAC address written as six hexadecimal pairs ("0B" and "B" alike);
// nothing otherwise. What every comparison of two MAC addresses goes by.
std::optional<QByteArray> MacAddressBytes(const QString& text);
// The highest TCP port; a larger number would wrap to another port.
constexpr int kMaxPort = 65535;
// A port is a number 1..65535.
bool CheckPort(const QString& text);

// Strict decimal from `low` to `high`, unlike the device's number reading: a
// typed "1024x", "+5" or " 5" is a typing error, not a number.
std::optional<int> StrictNumber(const QString& text, int low, int high);

// Four decimal parts of 0..255 with dots, without signs, blanks or leading
// zeros: what the window's address fields take.
bool IsDottedDecimal(const QString& text);
