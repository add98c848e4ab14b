"""The benchmark's figures over its rounds and its comparison of installed trees."""

import sys
import tempfile
import unittest
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "bench"))

import figures  # noqa: E402


class Figures(unittest.TestCase):
    def test_spread_gives_the_middle_value_and_the_extremes_whatever_the_order(self):
        cases = [
            ([0.30, 0.10, 0.20], (0.20, 0.10, 0.30)),
            ([5.0, 1.0, 4.0, 2.0, 3.0, 9.0, 0.5], (3.0, 0.5, 9.0)),
            ([0.4, 0.1, 0.2, 0.3], (0.25, 0.1, 0.4)),  # an even count: the middle two's mean
            ([7.0], (7.0, 7.0, 7.0)),
        ]
        for values, (median, lowest, highest) in cases:
            spread = figures.Spread(values)
            self.assertAlmostEqual(spread.median, median, msg=values)
            self.assertEqual((spread.lowest, spread.highest), (lowest, highest), values)
        self.assertEqual(figures.Spread([12.345, 10.0, 14.0]).text(" s"), "12.35 s (10.00–14.00)")
        with self.assertRaises(ValueError):
            figures.Spread([])

    def test_ratios_are_taken_within_each_round(self):
        # The median of the ratios differs from the ratio of the medians: round by round it is.
        ratios = figures.ratios_by_round([1.0, 3.0, 8.0], [2.0, 1.0, 4.0])
        self.assertEqual(ratios, [0.5, 3.0, 2.0])
        self.assertEqual(figures.Spread(ratios).median, 2.0)
        with self.assertRaises(ValueError):
            figures.ratios_by_round([1.0, 2.0], [1.0])

    def test_each_round_runs_every_contender_once_starting_one_later(self):
        self.assertEqual(figures.round_order(0, 3), [0, 1, 2])
        self.assertEqual(figures.round_order(1, 3), [1, 2, 0])
        self.assertEqual(figures.round_order(5, 3), [2, 0, 1])
        for place in range(3):
            self.assertEqual({figures.round_order(r, 3)[place] for r in range(3)}, {0, 1, 2})


class Trees(unittest.TestCase):
    def lay_out(self, root, files, folders=()):
        for name in folders:
            (root / name).mkdir(parents=True)
        for name, data in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_bytes(data)
        return figures.tree(root)

    def test_trees_differ_by_names_and_bytes_and_nothing_else(self):
        installed = {"a.dat": b"one", "Driver/a.dat": b"one", "Driver/x.dll": b"MZ",
                     "Driver/x.dll.registered": b"registered\r\n"}
        with tempfile.TemporaryDirectory() as temporary:
            root = Path(temporary)
            expected = self.lay_out(root / "batch", installed)
            self.assertEqual(sorted(expected), ["Driver/", "Driver/a.dat", "Driver/x.dll",
                                                "Driver/x.dll.registered", "a.dat"])
            same = self.lay_out(root / "same", installed)
            self.assertEqual(figures.tree_differences(same, expected), [])

            changed = dict(installed)
            del changed["Driver/x.dll.registered"]  # a registration that did not run
            changed["Driver/A.dat"] = changed.pop("Driver/a.dat")  # another case
            changed["a.dat"] = b"One"  # same size, other bytes
            changed["Driver/x.dll"] = b"MZ\0"  # other size, same start
            found = self.lay_out(root / "changed", changed, folders=["Driver/sub"])
            self.assertEqual(figures.tree_differences(found, expected), [
                "Driver/a.dat missing",
                "Driver/x.dll.registered missing",
                "Driver/A.dat not expected",
                "Driver/sub/ not expected",
                "Driver/x.dll holds other bytes",
                "a.dat holds other bytes",
            ])


if __name__ == "__main__":
    unittest.main()
