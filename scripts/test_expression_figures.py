#!/usr/bin/python3
"""The arithmetic of expression_figures.py on two tiny hand-made cases."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import expression_figures as ef  # noqa: E402


class Arithmetic(unittest.TestCase):
    def test_pen_line_and_pedals(self):
        # A trace of four stored rows, the third not ink; first hole at image row 1000.
        with tempfile.NamedTemporaryFile("w", suffix=".csv", delete=False) as f:
            f.write("y_px,tick,bass_value,bass_flag,treble_value,treble_flag\n"
                    "1000,0,0.5,ink,0.2,ink\n1008,8,0.5,ink,0.4,ink\n"
                    "1016,16,0.5,gap,0.4,ink\n1024,24,0.5,ink,0.4,ink\n")
        trace = ef.read_trace(f.name)
        os.unlink(f.name)
        # Treble notes compared 46 rows ahead: row 50 -> image row 1004, the trace 0.3 there;
        # velocity 35 + 55 * 0.4 = 57 is 0.1 off. Row 62 -> 1016: 0.4, velocity 57 exact.
        # Bass 65 rows ahead: row 85 -> 1020 lies next to a gap row: left out; row 73 -> 1008,
        # the trace 0.5, velocity 50 plays level 55: (55 - 35) / 55 lies 0.5 - 20/55 off.
        notes = [(50, 80, 57), (62, 80, 57), (85, 40, 50), (73, 40, 50)]
        figures = ef.pen_rmse(notes, trace, 1000)
        self.assertAlmostEqual(figures["treble"][0], 100 * (0.01 / 2) ** 0.5)
        self.assertEqual(figures["treble"][1], 2)
        self.assertEqual(figures["bass"][1], 1)
        self.assertAlmostEqual(figures["bass"][0], 100 * (0.5 - 20 / 55))
        # Pedal changes within 5.4 rows, nearest first, each used once.
        self.assertEqual(ef.match_transitions([100, 200, 300, 305], [103, 190, 301], 5.4),
                         (2, 4))

    def test_accents_and_velocities(self):
        # The archive accents 2 of its 5 notes (95); Rollscribe plays 60 and accents at 85.
        archive = [(0, 60, 75), (10, 60, 95), (20, 61, 95), (30, 62, 75), (40, 63, 75)]
        ours = [(1, 60, 60), (11, 60, 85), (22, 61, 60), (30, 62, 85), (40, 63, 60),
                (70, 64, 60)]
        # Matched within 2 rows: 60@0, 60@10, 61@20, 62@30, 63@40; accented in both: one.
        self.assertEqual(ef.accents(archive, ours), (1, 2, 2))
        difference, pairs = ef.velocity_difference(archive, ours)
        self.assertEqual(pairs, 5)
        self.assertAlmostEqual(difference, (15 + 10 + 35 + 10 + 15) / 5)


if __name__ == "__main__":
    unittest.main()
