#!/usr/bin/python3
"""Prints what a MIDI file holds, read by mido, one event a line with absolute ticks:
division N / tempo TICK US / bend TICK CHANNEL VALUE / note TICK KEY LENGTH VELOCITY /
name TEXT / rpn CHANNEL NUMBER SEMITONES."""
import sys

import mido


def main(path):
    midi = mido.MidiFile(path)
    print("type", midi.type, len(midi.tracks))
    print("division", midi.ticks_per_beat)
    for track in midi.tracks:
        tick, sounding, rpn = 0, {}, {}
        for msg in track:
            tick += msg.time
            if msg.type == "track_name":
                print("name", msg.name)
            elif msg.type == "set_tempo":
                print("tempo", tick, msg.tempo)
            elif msg.type == "pitchwheel":
                print("bend", tick, msg.channel, msg.pitch + 8192)
            elif msg.type == "control_change":
                rpn[msg.control] = msg.value
                if msg.control == 6 and rpn.get(101) == 0 and rpn.get(100) == 0:
                    print("rpn", msg.channel, 0, msg.value)
            elif msg.type == "note_on" and msg.velocity > 0:
                sounding[(msg.channel, msg.note)] = (tick, msg.velocity)
            elif msg.type in ("note_on", "note_off"):
                start, velocity = sounding.pop((msg.channel, msg.note))
                print("note", start, msg.note, tick - start, velocity)


main(sys.argv[1])
