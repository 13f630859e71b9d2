"""The spoken sounds: narration 191, the closing phrase and the five praise words, with a little music of our own."""

import json
import math
import os
import re
import subprocess
import tempfile
import wave

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
SPEECH = os.path.join(HERE, "speech")
VOICE = "(voice_msu_ru_nsh_clunits)"

PRAISE = [  # name, word, sample rate
    ("bravo_sound", "Браво!", 44100),
    ("gotovo_sound", "Готово!", 11025),
    ("molodec_sound", "Молодец!", 44100),
    ("otlichno_sound", "Отлично!", 44100),
    ("ura_sound", "Ура!", 22050),
]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def read_wav(path):
    with wave.open(path) as w:
        rate = w.getframerate()
        ch = w.getnchannels()
        data = np.frombuffer(w.readframes(w.getnframes()), dtype=np.int16).astype(np.float64) / 32768.0
    if ch > 1:
        data = data.reshape(-1, ch).mean(axis=1)
    return data, rate


def write_wav(path, data, rate, channels=1):
    data = np.clip(data, -1, 1)
    pcm = np.round(data * 32767).astype(np.int16)
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(pcm.tobytes())


def speak(text, tmp, pitch_cents=0, tempo=1.0):
    """One phrase from the Russian voice at 44 000 Hz, mono, as floats."""
    src = os.path.join(tmp, "say.txt")
    raw = os.path.join(tmp, "say.wav")
    out = os.path.join(tmp, "say44.wav")
    with open(src, "w", encoding="utf-8") as f:
        f.write(text + "\n")
    run("text2wave", "-eval", VOICE, src, "-o", raw)
    effects = ["highpass", "70", "bass", "+2", "treble", "-1"]
    if pitch_cents:
        effects += ["pitch", str(pitch_cents)]
    if tempo != 1.0:
        effects += ["tempo", "-s", str(tempo)]
    run("sox", "-R", raw, "-r", "44000", "-c", "1", "-b", "16", out, *effects, "rate", "-v", "44000")
    data, _ = read_wav(out)
    return trim(data)


def trim(data, threshold=0.01):
    loud = np.nonzero(np.abs(data) > threshold)[0]
    if len(loud) == 0:
        return data
    return data[max(loud[0] - 400, 0):loud[-1] + 2000]


def tone(freq, dur, rate, amp=1.0, decay=3.0, attack=0.01):
    t = np.arange(int(dur * rate)) / rate
    env = np.minimum(t / attack, 1.0) * np.exp(-decay * t)
    return amp * env * (np.sin(2 * math.pi * freq * t) + 0.3 * np.sin(4 * math.pi * freq * t) + 0.1 * np.sin(6 * math.pi * freq * t))


def chime(rate, notes=(784, 988, 1175, 1568), step=0.09, amp=0.22):
    """A short rising sparkle."""
    out = np.zeros(int(rate * (step * len(notes) + 1.0)))
    for k, f in enumerate(notes):
        t = tone(f, 1.0, rate, amp, decay=4.5)
        s = int(k * step * rate)
        out[s:s + len(t)] += t
    return out


def music_bed(seconds, rate):
    """Soft, slow chords and a music-box tune, quiet under the voice."""
    n = int(seconds * rate)
    out = np.zeros(n + rate * 4)
    chords = [(261.6, 329.6, 392.0), (220.0, 261.6, 329.6), (174.6, 220.0, 261.6), (196.0, 246.9, 293.7)]
    bar = 4.0
    t = np.arange(int(bar * rate)) / rate
    env = np.minimum(t / 0.8, 1.0) * np.minimum((bar - t) / 0.8, 1.0)
    tune = [523.3, 659.3, 784.0, 659.3, 587.3, 523.3, 440.0, 523.3]
    k = 0
    while k * bar < seconds:
        notes = chords[k % 4]
        s = int(k * bar * rate)
        pad = sum(np.sin(2 * math.pi * f * t) + 0.2 * np.sin(4 * math.pi * f * t) for f in notes) * env * 0.05
        out[s:s + len(pad)] += pad
        for j in range(2):
            f = tune[(2 * k + j) % len(tune)]
            b = tone(f, 1.8, rate, 0.06, decay=2.2)
            p = s + int(j * 2.0 * rate)
            out[p:p + len(b)] += b
        k += 1
    out = out[:n]
    fade = int(3 * rate)
    out[-fade:] *= np.linspace(1, 0, fade)
    out[:rate] *= np.linspace(0, 1, rate)
    return out


def stereo(mono, width=0.0):
    return np.stack([mono, mono], axis=1).reshape(-1)


def encode(data, rate, path, quality):
    """Writes stereo Ogg Vorbis with a fixed stream serial, so a re-run gives the same bytes."""
    with tempfile.TemporaryDirectory() as tmp:
        w = os.path.join(tmp, "s.wav")
        write_wav(w, stereo(data), rate, channels=2)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        run("oggenc", "-Q", "-q", str(quality), "--serial", "5170", "-o", path, w)


def normalise(data, peak=0.89):
    return data * (peak / max(np.abs(data).max(), 1e-6))


def narration(tmp):
    text = open(os.path.join(SPEECH, "narration.txt"), encoding="utf-8").read()
    rate = 44000
    parts = [np.zeros(int(1.2 * rate))]
    timing = []  # (start second, sentence) for the instruction video
    at = len(parts[0])
    for para in [p for p in text.split("\n") if p.strip()]:
        for sentence in re.findall(r"[^.!?]+[.!?]", para):
            said = speak(sentence.strip(), tmp)
            timing.append((round(at / rate, 3), sentence.strip()))
            parts += [said, np.zeros(int(0.3 * rate))]
            at += len(said) + int(0.3 * rate)
        parts.append(np.zeros(int(0.35 * rate)))
        at += int(0.35 * rate)
    parts.append(np.zeros(int(1.0 * rate)))
    voice = np.concatenate(parts)
    narration.timing = timing
    voice = normalise(voice, 0.8)
    music = music_bed(len(voice) / rate, rate)
    return normalise(voice + music[:len(voice)], 0.89), rate


def end_phrase(tmp):
    rate = 44000
    text = open(os.path.join(SPEECH, "endhelp.txt"), encoding="utf-8").read().strip()
    voice = normalise(speak(text, tmp, tempo=0.9), 0.8)
    total = int(5.2 * rate)
    out = np.zeros(total)
    bell = chime(rate, notes=(523.3, 659.3, 784.0), step=0.12, amp=0.18)
    out[:len(bell)] += bell[:total]
    s = int(0.5 * rate)
    out[s:s + len(voice)] += voice[:total - s]
    return normalise(out, 0.89), rate


def praise(word, rate, tmp):
    voice = speak(word, tmp, pitch_cents=250, tempo=0.95)
    voice = normalise(voice, 0.85)
    total = int(2.1 * 44000)
    out = np.zeros(total)
    bell = chime(44000)
    out[:len(bell)] += bell[:total]
    s = int(0.25 * 44000)
    out[s:s + len(voice)] += voice[:total - s]
    out = normalise(out, 0.89)
    if rate != 44000:
        src = os.path.join(tmp, "p44.wav")
        dst = os.path.join(tmp, "pr.wav")
        write_wav(src, out, 44000)
        run("sox", "-R", src, "-r", str(rate), dst, "rate", "-v", str(rate))
        out, _ = read_wav(dst)
    return out


def generate(assets):
    """Writes the sounds; returns [(path, rate, seconds)]."""
    written = []
    with tempfile.TemporaryDirectory() as tmp:
        data, rate = narration(tmp)
        path = os.path.join(assets, "exercise", "191.ogg")
        encode(data, rate, path, 2)
        written.append((path, rate, len(data) / rate))
        with open(os.path.join(HERE, "out", "narration_timing.json"), "w", encoding="utf-8") as f:
            json.dump({"seconds": len(data) / rate, "sentences": narration.timing}, f, ensure_ascii=False, indent=1)
        data, rate = end_phrase(tmp)
        path = os.path.join(assets, "shell", "ENDHELPSOUND.ogg")
        encode(data, rate, path, 3)
        written.append((path, rate, len(data) / rate))
        for name, word, rate in PRAISE:
            data = praise(word, rate, tmp)
            path = os.path.join(assets, "shell", name + ".ogg")
            encode(data, rate, path, 3)
            written.append((path, rate, len(data) / rate))
    return written
