"""The benchmark's arithmetic and its comparison of two installed trees."""

import hashlib
import os
import statistics
from pathlib import Path


class Spread:
    """The median of some timings and their lowest and highest value."""

    def __init__(self, values):
        if not values:
            raise ValueError("no values")
        self.median = statistics.median(values)
        self.lowest, self.highest = min(values), max(values)

    def text(self, unit=""):
        return f"{self.median:.2f}{unit} ({self.lowest:.2f}–{self.highest:.2f})"


def ratios_by_round(numerators, denominators):
    """Each round's ratio: two contenders of one round ran on the same machine state,
    so the ratio is taken there and not between medians of different rounds."""
    if len(numerators) != len(denominators):
        raise ValueError(f"{len(numerators)} timings against {len(denominators)}")
    return [a / b for a, b in zip(numerators, denominators)]


def round_order(round_number, count):
    """The contenders' order in a round: each round starts one contender later, so
    that none always runs first, on a cold cache, or last."""
    start = round_number % count
    return [(start + i) % count for i in range(count)]


def tree(root):
    """Relative path -> (size, SHA-256) of every file below root, "sub/" -> None
    for each folder."""
    root = Path(root)
    found = {}
    for dirpath, dirnames, filenames in os.walk(root):
        relative = Path(dirpath).relative_to(root)
        for name in dirnames:
            found[(relative / name).as_posix() + "/"] = None
        for name in filenames:
            path = Path(dirpath) / name
            digest = hashlib.sha256(path.read_bytes()).hexdigest()
            found[(relative / name).as_posix()] = (path.stat().st_size, digest)
    return found


def tree_differences(actual, expected):
    """What tells tree actual from tree expected: names missing, names not expected,
    files with other bytes; empty when they are the same."""
    problems = [f"{path} missing" for path in sorted(set(expected) - set(actual))]
    problems += [f"{path} not expected" for path in sorted(set(actual) - set(expected))]
    problems += [f"{path} holds other bytes" for path in sorted(set(actual) & set(expected))
                 if actual[path] != expected[path]]
    return problems
