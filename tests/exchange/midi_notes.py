#!/usr/bin/python3
"""Prints the pitch bends and notes of a MIDI file as mido reads them, one a line with absolute
ticks: bend TICK CHANNEL VALUE / note TICK KEY LENGTH VELOCITY."""
import sys

import mido


def main(path):
    for track in mido.MidiFile(path).tracks:
        tick, sounding = 0, {}
        for msg in track:
            tick += msg.time
            if msg.type == "pitchwheel":
                print("bend", tick, msg.channel, msg.pitch + 8192)
            elif msg.type == "note_on" and msg.velocity > 0:
                sounding[(msg.channel, msg.note)] = (tick, msg.velocity)
            elif msg.type in ("note_on", "note_off"):
                start, velocity = sounding.pop((msg.channel, msg.note))
                print("note", start, msg.note, tick - start, velocity)


main(sys.argv[1])
