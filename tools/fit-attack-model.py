#!/usr/bin/python3
"""Fits the transcriber's attack model (transcription/CAttackModel.cpp) and prints its weights.

tools/fit-attack-model.py BUILD_DIR WORK_DIR [SEED ...]
    renders the training recordings (tests/transcription/performances.py training, seeds 201 to
    204 unless given) into WORK_DIR once, reads what the model sees at their grid lines with
    BUILD_DIR/bench/kantilo_attack_features, fits a logistic regression (a note played again
    against one held) and prints the weights as they stand in CAttackModel.cpp.
"""
import os
import subprocess
import sys

import numpy

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CUES = 19
# Ridge penalty on every weight: keeps the fit from leaning on any one instrument's habits.
PENALTY = 3.0
ITERATIONS = 50


def recordings(work, seeds, kind="training"):
    """The recordings of performances.py KIND for each seed, rendered into WORK_DIR once."""
    waves = []
    for seed in seeds:
        folder = os.path.join(work, f"seed{seed}" if kind == "training" else f"{kind}{seed}")
        if not os.path.isdir(folder):
            subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tests/transcription/performances.py"),
                            kind, folder, str(seed)], check=True)
        waves += sorted(os.path.join(folder, name) for name in os.listdir(folder)
                        if name.endswith(".wav"))
    return waves


def read(build, waves):
    """What the model sees at the recordings' grid lines, and whether a note was played again."""
    out = subprocess.run([os.path.join(build, "bench/kantilo_attack_features")] + waves,
                         check=True, capture_output=True, text=True).stdout
    rows = numpy.array([[float(word) for word in line.split()] for line in out.splitlines()])
    return rows[:, 1:], rows[:, 0]


def features(build, work, seeds):
    return read(build, recordings(work, seeds))


def fit(x, y):
    """Newton's method on the penalized log-likelihood; the last weight is the bias."""
    x = numpy.hstack([x, numpy.ones((len(x), 1))])
    w = numpy.zeros(x.shape[1])
    for _ in range(ITERATIONS):
        p = 1 / (1 + numpy.exp(-numpy.clip(x @ w, -30, 30)))
        gradient = x.T @ (p - y) + PENALTY * w
        hessian = (x * (p * (1 - p))[:, None]).T @ x + PENALTY * numpy.eye(len(w))
        w -= numpy.linalg.solve(hessian, gradient)
    return w


def table(weights):
    lines = []
    for i in range(0, len(weights), 6):
        lines.append("    " + " ".join(f"{v:.6f}," for v in weights[i:i + 6]))
    return "\n".join(lines)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    seeds = [int(s) for s in sys.argv[3:]] or [201, 202, 203, 204]
    x, y = features(sys.argv[1], sys.argv[2], seeds)
    w = fit(x, y)
    print(f"// {len(y)} lines, {int(y.sum())} notes played again")
    print("kCueWeights:\n" + table(w[:CUES]))
    print("kLevelWeights:\n" + table(w[CUES:-1]))
    print(f"kBias = {w[-1]:.6f}")


if __name__ == "__main__":
    main()
