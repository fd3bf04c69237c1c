#pragma once
// Request frames and the small text helpers the handlers use to turn operator
// input into frame bytes. Shared by the tool and the virtual reader.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace mdq {

constexpr quint8 STX = 0xF2;
constexpr quint8 ETX = 0x03;
constexpr quint8 ACK = 0x06;
constexpr quint8 NAK = 0x15;
constexpr quint8 EOT = 0x04;
constexpr quint8 MarkerCommand = 'C';
constexpr quint8 MarkerPositive = 'P';
constexpr quint8 MarkerNegative = 'N';
constexpr int MaxFrameData = 0xFFFF - 3;  // LEN is 16 bits and counts 'C', CM and PM

// XOR of every element except the last slot (which is where the BCC goes).
quint8 ComputeBcc(const QByteArray &frame);

// F2h, address, LENH, LENL, 'C', CM, PM, data..., 03h, BCC with LEN = 3 + data size.
// The array is sized to the frame exactly: the engine sends all of it.
QByteArray CommandFrame(quint8 address, quint8 cm, quint8 pm, const QByteArray &data = {});

// "" -> "00", "c" -> "0c", "cc" unchanged, three or more characters -> "".
QString DoubleType(const QString &hex);

// Left-pads a string of binary digits with '0' to a multiple of 8 characters.
QString PadBinary8(const QString &bits);

// Upper-case hexadecimal text to a number, left to right. Lower-case letters and
// any other character are a conversion error (nullopt). Empty text gives 0.
std::optional<double> HexTextToNumber(const QString &hex);

// The "&H" + text conversion the handlers use for one byte: one or more hex
// digits (either case) whose value fits the target. Empty text, blanks or other
// characters, and values too large all fail.
std::optional<quint8> hexToByte(const QString &text);
std::optional<qint16> hexToInt16(const QString &text);

// Two upper-case hex digits, "0" first below 10h.
QString byteHex(quint8 b);
// Bytes as upper-case hex pairs without separators.
QString bytesHex(const QByteArray &bytes);

// The address byte from the text of the address combo ("0".."F").
std::optional<quint8> addressFromText(const QString &text);

}  // namespace mdq
