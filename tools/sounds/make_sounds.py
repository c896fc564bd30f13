#!/usr/bin/env python3
"""Writes the six event sounds the program folder ships (data/Sounds/ by default).

Each is synthesized here from sine partials and envelopes, with no randomness, so the files
come out the same on every run: 16-bit PCM, mono, 22050 samples a second, each shorter than
the two seconds of a control cycle (the alarm is played again every cycle).

    python3 tools/sounds/make_sounds.py [OUTPUT_FOLDER]
"""
import math
import os
import struct
import sys
import wave

RATE = 22050


def silence(seconds):
    return [0.0] * int(round(seconds * RATE))


def tone(freq, seconds, partials=((1, 1.0),), attack=0.005, decay=None, release=0.01):
    """A note of sine partials (multiple of freq, level). Without `decay` it holds its level
    and ends with a short release; with it, it dies away exponentially (time constant in s)."""
    n = int(round(seconds * RATE))
    out = []
    for i in range(n):
        t = i / RATE
        v = sum(level * math.sin(2 * math.pi * freq * k * t) for k, level in partials)
        env = min(1.0, t / attack) if attack > 0 else 1.0
        if decay is not None:
            env *= math.exp(-t / decay)
        left = seconds - t
        if left < release:
            env *= left / release
        out.append(v * env)
    return out


def thump(seconds, start_freq, end_freq, decay):
    """A drum hit: a low sine whose pitch falls while it dies away."""
    n = int(round(seconds * RATE))
    out, phase = [], 0.0
    for i in range(n):
        t = i / RATE
        freq = end_freq + (start_freq - end_freq) * math.exp(-t / 0.03)
        phase += 2 * math.pi * freq / RATE
        env = min(1.0, t / 0.002) * math.exp(-t / decay)
        out.append((math.sin(phase) + 0.3 * math.sin(2 * phase)) * env)
    return out


def mix(length, *parts):
    """Adds (offset in s, samples) parts into one track of `length` seconds."""
    track = [0.0] * int(round(length * RATE))
    for offset, samples in parts:
        start = int(round(offset * RATE))
        for i, v in enumerate(samples):
            if start + i < len(track):
                track[start + i] += v
    return track


def normalized(samples, peak):
    top = max(abs(v) for v in samples) or 1.0
    return [v * peak / top for v in samples]


BELL = ((1, 1.0), (2.0, 0.5), (3.01, 0.25), (4.17, 0.12))  # slightly inharmonic, like a bell
BRIGHT = ((1, 1.0), (2, 0.35), (3, 0.15))
SQUARISH = ((1, 1.0), (3, 0.3), (5, 0.12))


def applause():
    # Line done: a bright rising fanfare, C E G and the octave.
    notes = [(0.00, 523.25, 0.14), (0.14, 659.25, 0.14), (0.28, 783.99, 0.14), (0.42, 1046.50, 0.45)]
    return mix(0.9, *[(at, tone(f, d, BRIGHT, release=0.04)) for at, f, d in notes])


def cashreg():
    # Two quick high bell strokes, the second a fourth above.
    return mix(0.9, (0.0, tone(1568.0, 0.5, BELL, decay=0.12)), (0.16, tone(2093.0, 0.7, BELL, decay=0.18)))


def chimes():
    # Four chime strokes falling and rising again: E5 C5 D5 G4, each ringing on.
    notes = [(0.0, 659.25), (0.35, 523.25), (0.70, 587.33), (1.05, 392.00)]
    return mix(1.8, *[(at, tone(f, 1.8 - at, BELL, decay=0.35)) for at, f in notes])


def drumroll():
    # A roll that grows louder and quicker, ending in one deep stroke.
    parts, at, gap, level = [], 0.0, 0.09, 0.35
    while at < 1.0:
        parts.append((at, [v * level for v in thump(0.12, 180, 110, 0.05)]))
        at += gap
        gap = max(0.045, gap * 0.93)
        level = min(1.0, level * 1.09)
    parts.append((1.05, thump(0.45, 150, 70, 0.16)))
    return mix(1.5, *parts)


def reminder():
    # Two soft beeps.
    beep = tone(880.0, 0.15, ((1, 1.0), (2, 0.1)), attack=0.01, release=0.03)
    return mix(0.55, (0.0, beep), (0.3, beep))


def explode():
    # The alarm: a clear two-tone, high and low in turn, four times over.
    high = tone(960.0, 0.2, SQUARISH, attack=0.004, release=0.006)
    low = tone(640.0, 0.2, SQUARISH, attack=0.004, release=0.006)
    return mix(1.6, *[(0.4 * k + 0.2 * j, (high, low)[j]) for k in range(4) for j in range(2)])


SOUNDS = {
    "APPLAUSE.WAV": (applause, 0.7),
    "CASHREG.WAV": (cashreg, 0.7),
    "CHIMES.WAV": (chimes, 0.7),
    "DRUMROLL.WAV": (drumroll, 0.8),
    "REMINDER.WAV": (reminder, 0.6),
    "EXPLODE.WAV": (explode, 0.85),
}


def write(path, samples):
    frames = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(v * 32767))))) for v in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "data", "Sounds")
    os.makedirs(folder, exist_ok=True)
    for name, (make, peak) in SOUNDS.items():
        samples = normalized(make(), peak)
        write(os.path.join(folder, name), samples)
        print(f"{name}: {len(samples) / RATE:.2f} s")


if __name__ == "__main__":
    main()
