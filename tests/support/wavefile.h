#pragma once

// Wave files made to measure for the sound tests: RIFF chunks, a PCM format chunk, silence.

#include <QByteArray>
#include <QtEndian>

namespace Wave {

// v as little-endian bytes.
inline QByteArray Le(quint32 v, int bytes) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b.left(bytes);
}

// A chunk, its size as declared (the body's own when negative), an odd body padded.
inline QByteArray Chunk(const char* id, const QByteArray& body, int declared = -1) {
    return QByteArray(id, 4) + Le(declared < 0 ? quint32(body.size()) : quint32(declared), 4) + body + QByteArray(body.size() % 2, '\0');
}

// A PCM "fmt " chunk (or another format tag).
inline QByteArray Fmt(quint32 rate, quint16 channels, quint16 bits, quint16 format = 1) {
    const quint32 block = channels * bits / 8;
    return Chunk("fmt ", Le(format, 2) + Le(channels, 2) + Le(rate, 4) + Le(rate * block, 4) + Le(block, 2) + Le(bits, 2));
}

inline QByteArray Riff(const QByteArray& chunks) { return "RIFF" + Le(quint32(4 + chunks.size()), 4) + "WAVE" + chunks; }

// Silence of the given length, 8 kHz mono 16 bit.
inline QByteArray Silence(int ms) { return Riff(Fmt(8000, 1, 16) + Chunk("data", QByteArray(16 * ms, '\0'))); }

}  // namespace Wave
