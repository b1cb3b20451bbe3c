#!/usr/bin/env python3
"""Writes the two default sounds: newmail.wav (a soft rising two-note chime, played once
when new mail arrives) and alarm.wav (three short bright beeps, repeated while new mail
waits to be acknowledged). 22,050 Hz, 16-bit mono PCM."""
import math
import struct
import sys
import wave

RATE = 22050


def tone(freq, seconds, volume, decay, overtone=0.0):
    n = int(RATE * seconds)
    out = []
    for i in range(n):
        t = i / RATE
        attack = min(1.0, t / 0.008)  # no click at the start
        release = min(1.0, (seconds - t) / 0.02)  # nor at the end
        env = attack * release * math.exp(-decay * t)
        s = math.sin(2 * math.pi * freq * t) + overtone * math.sin(4 * math.pi * freq * t)
        out.append(volume * env * s / (1 + overtone))
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32000)) for s in samples))


def newmail():
    # E5 then A5, ringing out like a small bell.
    return tone(659.25, 0.28, 0.6, 6.0, 0.3) + tone(880.0, 0.55, 0.6, 4.5, 0.3)


def alarm():
    beep = tone(1318.5, 0.12, 0.5, 2.0, 0.1)
    return beep + silence(0.08) + beep + silence(0.08) + beep


def main(out_dir):
    write(f"{out_dir}/newmail.wav", newmail())
    write(f"{out_dir}/alarm.wav", alarm())


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
