#pragma once

#include <QString>

#include <optional>

// An instrument on the RS485 line is named by a two-character prefix and a
// number from 1 up, as in "BA001". The text is trimmed of blanks and control
// characters; the prefix goes on as typed. A number above 255 wraps into
// 1..100 (its value modulo 100, 0 read as 100). Nothing when the text after the
// prefix is no number of at least 1.
std::optional<QString> ParseInstrumentNumber(const QString& text);

// What the device is asked to read for an instrument: instruments whose
// number begins with K, L, M or R keep 128 bytes of current values and answer
// read code 145; every other one keeps 129 and answers 193.
struct ReadVariant {
    int blockLength;
    int readCode;
};
ReadVariant ChooseReadVariant(const QString& number);
