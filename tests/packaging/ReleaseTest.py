#!/usr/bin/env python3
"""The release rule the zips are made and verified under: CMakeLists.txt's version, and a
changelog that opens with that version's dated section and keeps no [Unreleased] one (a
snapshot of work in progress may open with [Unreleased]). The repository passes it at least
as a snapshot.

Usage: ReleaseTest.py REPO"""
import os
import sys
import unittest

ROOT = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else ".")
sys.path.insert(0, os.path.join(ROOT, "packaging"))
import package  # noqa: E402


class ReleaseRule(unittest.TestCase):
    def test_changelogs(self):
        ok = "# Changelog\n\n## [2.4.2] - 2026-12-08\n### Added\n- x\n\n## [2.4.1] - 2025-01-31\n"
        rows = [
            (ok, "2.4.2", "2.4.2", []),
            (ok, "2.4.2", "2.5.0", ["CMakeLists.txt says 2.5.0"]),
            ("## [Unreleased]\n- y\n" + ok, "2.4.2", "2.4.2", ["[Unreleased]", "first section"]),
            ("## [unreleased]\n", "2.4.2", "2.4.2", ["[Unreleased]", "first section"]),
            ("## [2.4.2]\n", "2.4.2", "2.4.2", ["first section"]),
            ("## [2.4.2] - 2026-02-30\n", "2.4.2", "2.4.2", ["no such day"]),
            ("## [2.4.1] - 2025-01-31\n## [2.4.2] - 2026-12-08\n", "2.4.2", "2.4.2", ["first section"]),
            ("## [2.4.2] - 2026-12-08\n## [2.4.2] - 2026-12-09\n", "2.4.2", "2.4.2", ["more than one"]),
            ("no sections at all\n", "2.4.2", "2.4.2", ["first section"]),
        ]
        snapshots = [
            ("## [Unreleased]\n" + ok, "2.4.2", "2.4.2", []),
            (ok, "2.4.2", "2.4.2", []),
            ("## [Unreleased]\n", "2.4.2", "2.4.3", ["CMakeLists.txt says 2.4.3"]),
            ("## [2.4.1] - 2025-01-31\n## [Unreleased]\n", "2.4.2", "2.4.2", ["[Unreleased]", "first section"]),
        ]
        for text, version, project, wanted, snapshot in [r + (False,) for r in rows] + [r + (True,) for r in snapshots]:
            faults = package.release_faults(text, version, project, snapshot)
            self.assertEqual(len(faults), len(wanted), (text, faults))
            for fault, want in zip(faults, wanted):
                self.assertIn(want, fault, text)

    def test_the_repository_is_a_release_or_a_snapshot(self):
        version = package.project_version(ROOT)
        self.assertRegex(version or "", r"^\d+\.\d+\.\d+$")
        package.check_release(ROOT, version, snapshot=True)


if __name__ == "__main__":
    unittest.main(verbosity=1)
