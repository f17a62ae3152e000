#!/usr/bin/python3
"""The cloud comparison's bookkeeping: energies from the truth file, with
half-written files and repeated time stamps, and the cloud phases.

  python3 tools/tracking/test_station_clouds.py"""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import station_clouds  # noqa: E402


class FakeStation:
    def __init__(self, folder):
        self.path = folder

    def file(self, name):
        return os.path.join(self.path, name)


def truth_xml(when, irradiance, power, pmax, dac=100):
    modules = "".join(f'<Module id="{m}" power="{power}" pmax="{pmax}" dac="{dac}" />' for m in (1, 2, 3, 4))
    return f'<SimTruth time="{when}"><Environment irradiance="{irradiance}" />{modules}</SimTruth>'


class LedgerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.station = FakeStation(self.folder.name)
        self.ledger = station_clouds.Ledger(self.station)

    def tearDown(self):
        self.ledger.trace.close()
        self.folder.cleanup()

    def write(self, text):
        with open(self.station.file("sim_truth.xml"), "w") as f:
            f.write(text)

    def test_energies_by_trapezoid_skipping_bad_and_repeated_samples(self):
        self.ledger.sample()  # no file yet
        self.write(truth_xml(100.0, 200, 40, 50))
        self.ledger.sample()
        self.ledger.sample()  # not rewritten: books nothing
        self.write(truth_xml(101.0, 200, 40, 50)[:60])  # half written
        self.ledger.sample()
        self.write(truth_xml(102.0, 400, 80, 100, dac=200))
        self.ledger.sample()
        self.assertEqual(self.ledger.skipped, 2)
        self.assertEqual(self.ledger.samples, 2)
        self.assertAlmostEqual(self.ledger.seconds, 2.0)
        self.assertAlmostEqual(self.ledger.tracked[3], 120.0)
        self.assertAlmostEqual(self.ledger.available[3], 150.0)
        self.assertEqual(self.ledger.moves[1], 1)
        self.assertAlmostEqual(self.ledger.irradiance_energy, 600.0)

    def test_a_module_missing_from_the_truth_is_no_sample(self):
        self.write(truth_xml(100.0, 200, 40, 50).replace('<Module id="4"', '<Other id="4"'))
        self.assertIsNone(station_clouds.read_truth(self.station))


class PhaseTest(unittest.TestCase):
    def test_only_periods_whose_light_changed_have_an_edge(self):
        # 20 s periods, 5 s edges; the light drops in the second period only.
        rows = [[t, 300.0 if t < 20 else 100.0] for t in range(0, 60)]
        phases = station_clouds.phase_of(rows, 20, 5)
        self.assertEqual(phases[21], "edge")
        self.assertEqual(phases[26], "after edge")
        self.assertEqual(phases[31], "steady")
        self.assertTrue(all(p == "steady" for p in phases[:20] + phases[40:]))


if __name__ == "__main__":
    unittest.main()
