#!/usr/bin/python3
"""How well the transcriber's attack model could tell a note played again from one held, for
each instrument the performance test measures, and what limits it.

tools/attack-model-reach.py BUILD_DIR WORK_DIR
    renders into WORK_DIR once (as tools/fit-attack-model.py does) the training recordings and
    the performance corpora of seeds 1 to 15 and 20 (to fit to) and 101 to 107 (to judge by),
    then prints per measured instrument, judged on seeds 101 to 107, the area under the ROC
    curve and the lines misjudged at even odds of the model
      shipped      fitted to the training instruments alone, as tools/fit-attack-model.py
                   fits the one in CAttackModel.cpp
      + others     fitted to those and to the other five measured instruments
      own          fitted to the instrument's own recordings of seeds 1 to 15 and 20

"own" shows what the model's inputs carry for one sound; "shipped" and "+ others" what carries
over from the sounds it was fitted to. Neither is a figure of the whole transcription.
"""
import importlib.util
import os
import sys

import numpy

HERE = os.path.dirname(os.path.abspath(__file__))
_SPEC = importlib.util.spec_from_file_location("fit", os.path.join(HERE, "fit-attack-model.py"))
fit = importlib.util.module_from_spec(_SPEC)
_SPEC.loader.exec_module(fit)

FITTING_SEEDS = [20, 3, 1, 2] + list(range(4, 16))
JUDGED_SEEDS = list(range(101, 108))
INSTRUMENTS = ["blockfloete", "cello", "chor", "oohs", "pfeifen", "saxophon"]


def by_instrument(build, waves):
    return {name: fit.read(build, [w for w in waves if os.path.basename(w).startswith(name + "-")])
            for name in INSTRUMENTS}


def probability(weights, x):
    z = numpy.hstack([x, numpy.ones((len(x), 1))]) @ weights
    return 1 / (1 + numpy.exp(-numpy.clip(z, -30, 30)))


def area(p, y):
    """The chance that a line played again scores above a held one (ties count half)."""
    again, held = p[y == 1], p[y == 0]
    above = (again[:, None] > held[None, :]).sum() + 0.5 * (again[:, None] == held[None, :]).sum()
    return above / (len(again) * len(held))


def judged(weights, x, y):
    p = probability(weights, x)
    return f"{area(p, y):.3f} {int(((p > 0.5) != y).sum()):4d}"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    build, work = sys.argv[1], sys.argv[2]
    train_x, train_y = fit.features(build, work, [201, 202, 203, 204])
    fitting = by_instrument(build, fit.recordings(work, FITTING_SEEDS, "corpus"))
    held_out = by_instrument(build, fit.recordings(work, JUDGED_SEEDS, "corpus"))
    shipped = fit.fit(train_x, train_y)
    print(f"{'':12s} {'shipped':>9s} {'+ others':>9s} {'own':>9s}")
    for name in INSTRUMENTS:
        x, y = held_out[name]
        others = [fitting[o] for o in INSTRUMENTS if o != name]
        with_others = fit.fit(numpy.vstack([train_x] + [o[0] for o in others]),
                              numpy.concatenate([train_y] + [o[1] for o in others]))
        own = fit.fit(*fitting[name])
        print(f"{name:12s} {judged(shipped, x, y)} {judged(with_others, x, y)} {judged(own, x, y)}"
              f"   ({int(y.sum())} of {len(y)} lines played again)")


if __name__ == "__main__":
    main()
