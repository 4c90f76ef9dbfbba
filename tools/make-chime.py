#!/usr/bin/env python3
"""Writes mail.wav, the alert sound of Postfalke: a soft two-note bell chime.

Two bell-like tones (a fundamental with a few decaying partials) a major sixth apart, the second
starting while the first still rings, then a silent tail. The tail matters: Qt's QSoundEffect
drops roughly the last 120 ms of a sound, so the audible part must end well before the file does.

Usage: tools/make-chime.py [output.wav]   (default: mail.wav in the repository's root)
The output is the same on every run.
"""
import math
import os
import struct
import sys
import wave

RATE = 44100
TAIL_SECONDS = 0.30  # silence at the end, more than the ~120 ms that playback may cut


def bell(frequency, start, length, loudness):
    """Samples (start, list) of one bell tone: partials with their own decay, a 5 ms attack."""
    partials = [(1.0, 1.0, 3.2), (2.0, 0.38, 5.0), (3.01, 0.16, 7.5), (4.2, 0.07, 10.0)]
    count = int(length * RATE)
    out = []
    for n in range(count):
        t = n / RATE
        value = 0.0
        for ratio, amplitude, decay in partials:
            value += amplitude * math.exp(-decay * t) * math.sin(2 * math.pi * frequency * ratio * t)
        attack = min(1.0, t / 0.005)
        # A gentle fade over the last 60 ms, so the tone ends at zero without a click.
        release = min(1.0, (length - t) / 0.06)
        out.append(loudness * attack * release * value)
    return int(start * RATE), out


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "mail.wav")

    tones = [bell(783.99, 0.00, 0.75, 0.42),   # G5
             bell(1318.51, 0.16, 0.80, 0.34)]  # E6
    sound_length = max(start + len(samples) for start, samples in tones)
    total = sound_length + int(TAIL_SECONDS * RATE)
    mix = [0.0] * total
    for start, samples in tones:
        for i, s in enumerate(samples):
            mix[start + i] += s

    peak = max(abs(s) for s in mix) or 1.0
    scale = 0.7 / peak  # about -3 dB below full scale
    frames = b"".join(struct.pack("<h", int(round(s * scale * 32767))) for s in mix)

    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)
    print(f"{path}: {total / RATE:.2f} s, of it {TAIL_SECONDS * 1000:.0f} ms silent tail")


if __name__ == "__main__":
    main()
