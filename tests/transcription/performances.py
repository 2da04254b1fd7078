#!/usr/bin/python3
"""Recordings for the transcription tests, made with FluidSynth and the General MIDI sound font.

performances.py corpus DIR [SEED]
    melodies played as a musician would (onsets off by up to 15 ms, notes detuned by up to 20
    cents, vibrato, reverb, noise 30 dB below the music) in several major keys and tempi, by
    instruments Kantilo does not ship; each DIR/NAME.wav has DIR/NAME.txt beside it:
    "tempo Q", then "note ONSET LENGTH KEY" per note, in eighths from the first note.
    SEED (20 unless given) chooses the melodies, keys and the musician's deviations: another
    seed gives a second corpus to check that a change does not merely fit the first.
performances.py training DIR SEED
    the same, played by sixteen other instruments and voices, to fit the transcriber's attack
    model to (tools/fit-attack-model.py): none of them is measured by the tests.
"""
import os
import random
import subprocess
import sys
import tempfile
import wave

import mido
import numpy

SOUND_FONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"
RATE = 44100
TICKS = 480  # per quarter
BEND_RANGE = 200.0  # cents, the General MIDI default
# Voice "Oohs", choir "Aahs", alto saxophone, cello, whistle, recorder: none of them shipped.
PROGRAMS = {"oohs": 53, "chor": 52, "saxophon": 65, "cello": 42, "pfeifen": 78, "blockfloete": 74}
# Violin, viola, trumpet, trombone, horn, oboe, English horn, bassoon, clarinet, flute, pan
# flute, soprano and tenor saxophone, synth voice, ocarina, slow strings.
TRAINING_PROGRAMS = {"violine": 40, "bratsche": 41, "trompete": 56, "posaune": 57, "horn": 60,
                     "oboe": 68, "englhorn": 69, "fagott": 70, "klarinette": 71, "floete": 73,
                     "panfloete": 75, "sopransax": 64, "tenorsax": 66, "synthstimme": 54,
                     "okarina": 79, "streicher": 49}
TEMPI = [80, 120, 160]
MAJOR = [0, 2, 4, 5, 7, 9, 11]


def bend(cents):
    return max(-8192, min(8191, round(8192 * cents / BEND_RANGE)))


def render(midi, out_wav):
    subprocess.run(["fluidsynth", "-ni", "-q", "-g", "0.7", "-r", str(RATE), "-F", out_wav,
                    SOUND_FONT, midi], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def melody(rng):
    """Notes (onset, length, scale degree) in eighths, and rests between some of them; a few
    begin off the beat, or the melody would sound the same at half the tempo."""
    while True:
        notes = phrase(rng)
        if sum(onset % 2 for onset, _, _ in notes) >= 3:
            return notes


def phrase(rng):
    notes, at, degree = [], 0, rng.randint(0, 7)
    while at < 48:
        length = rng.choice([1, 1, 2, 2, 2, 3, 4, 6, 8])
        if rng.random() > 0.2:  # a repeated pitch now and then
            degree = max(0, min(11, degree + rng.choice([-2, -1, -1, 1, 1, 2, 3, -3])))
        notes.append((at, length, degree))
        at += length + (rng.choice([1, 2]) if rng.random() < 0.15 else 0)
    return notes


def perform(notes, tonic, quarters, program, rng, midi):
    """A MIDI file of the notes as a musician plays them; returns the keys played."""
    song = mido.MidiFile(ticks_per_beat=TICKS)
    track = mido.MidiTrack()
    song.tracks.append(track)
    track.append(mido.MetaMessage("set_tempo", tempo=round(60e6 / quarters)))
    track.append(mido.Message("program_change", program=program))
    seconds_per_tick = 60.0 / quarters / TICKS
    events = []  # (seconds, message)
    keys = []
    lead = 0.5
    for onset, length, degree in notes:
        key = tonic + 12 * (degree // 7) + MAJOR[degree % 7]
        keys.append(key)
        eighth = 30.0 / quarters
        start = lead + onset * eighth + rng.uniform(-0.015, 0.015)
        end = lead + (onset + length) * eighth - 0.04 + rng.uniform(-0.015, 0.015)
        detune = rng.uniform(-20, 20)
        events.append((start - 0.005, mido.Message("pitchwheel", pitch=bend(detune))))
        events.append((start, mido.Message("note_on", note=key, velocity=rng.randint(80, 110))))
        # Vibrato of 20 cents at 5.5 Hz after the first fifth of a second.
        t = start + 0.2
        while t < end - 0.02:
            depth = 20 * numpy.sin(2 * numpy.pi * 5.5 * (t - start - 0.2))
            events.append((t, mido.Message("pitchwheel", pitch=bend(detune + depth))))
            t += 0.02
        events.append((end, mido.Message("note_off", note=key)))
    events.sort(key=lambda e: e[0])
    now = 0
    for when, message in events:
        ticks = max(0, round((when - now) / seconds_per_tick))
        track.append(message.copy(time=ticks))
        now += ticks * seconds_per_tick
    track.append(mido.Message("pitchwheel", pitch=0, time=2 * TICKS))
    song.save(midi)
    return keys


def add_noise(in_wav, out_wav, rng, snr_db=30.0):
    with wave.open(in_wav) as w:
        channels, rate = w.getnchannels(), w.getframerate()
        data = numpy.frombuffer(w.readframes(w.getnframes()), dtype=numpy.int16).astype(float)
    data = data.reshape(-1, channels).mean(axis=1)
    loud = numpy.abs(data) > 0.01 * numpy.abs(data).max()
    power = numpy.mean(data[loud] ** 2)
    noise = numpy.random.default_rng(rng.randint(0, 1 << 30)).normal(
        0, numpy.sqrt(power / 10 ** (snr_db / 10)), data.shape)
    mixed = numpy.clip(data + noise, -32768, 32767).astype(numpy.int16)
    with wave.open(out_wav, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(mixed.tobytes())


def corpus(folder, seed=20, programs=None):
    rng = random.Random(seed)
    os.makedirs(folder, exist_ok=True)
    for name, program in (programs or PROGRAMS).items():
        for quarters in TEMPI:
            fifths = rng.randint(-5, 5)
            tonic = 60 + (fifths * 7) % 12
            tonic -= 12 if tonic > 65 else 0
            notes = melody(rng)
            base = os.path.join(folder, f"{name}-{quarters}")
            with tempfile.TemporaryDirectory() as tmp:
                midi = os.path.join(tmp, "m.mid")
                keys = perform(notes, tonic, quarters, program, rng, midi)
                render(midi, os.path.join(tmp, "dry.wav"))
                # -R: SoX seeds its dither alike every run, so the corpus is the same every time.
                subprocess.run(["sox", "-R", os.path.join(tmp, "dry.wav"), os.path.join(tmp, "wet.wav"),
                                "reverb", "20"], check=True)
                add_noise(os.path.join(tmp, "wet.wav"), base + ".wav", rng)
            with open(base + ".txt", "w") as out:
                out.write(f"tempo {quarters}\n")
                for (onset, length, _), key in zip(notes, keys):
                    out.write(f"note {onset} {length} {key}\n")


if __name__ == "__main__":
    if len(sys.argv) in (3, 4) and sys.argv[1] == "corpus":
        corpus(sys.argv[2], int(sys.argv[3]) if len(sys.argv) == 4 else 20)
    elif len(sys.argv) == 4 and sys.argv[1] == "training":
        corpus(sys.argv[2], int(sys.argv[3]), TRAINING_PROGRAMS)
    else:
        sys.exit(__doc__)
