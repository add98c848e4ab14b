"""A start that Wine's loader gave up on under qemu is made again; any other end is not."""

import os
import stat
import sys
import tempfile
import unittest
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))

import wine_session as wine  # noqa: E402

# Stands in for tools/wine-run.sh: its first $FAILS starts end as Wine's loader
# does when the shared user data page cannot be mapped; later ones end with 5.
STAND_IN = """#!/bin/bash
n=$(cat starts 2>/dev/null || echo 0)
echo $((n + 1)) > starts
if [ "$n" -lt "$FAILS" ]; then
    echo "err:virtual:virtual_alloc_first_teb wine: $MESSAGE: c0000018"
    exit 1
fi
echo "ran $*"
exit 5
"""


class WineStart(unittest.TestCase):
    def run_program(self, fails, message, wait):
        with tempfile.TemporaryDirectory() as folder:
            folder = Path(folder)
            script = folder / "wine-run.sh"
            script.write_text(STAND_IN)
            script.chmod(script.stat().st_mode | stat.S_IXUSR)
            tools, wine.TOOLS = wine.TOOLS, folder
            try:
                program = wine.WindowsProgram("prog.exe", folder, folder / "wine.log",
                                              {"FAILS": str(fails), "MESSAGE": message}, ["/S"])
                if wait:
                    code = program.wait(30)
                else:
                    while program.alive():
                        pass
                    code = program.process.returncode
                program.end_group()
            finally:
                wine.TOOLS = tools
            return code, int((folder / "starts").read_text()), (folder / "wine.log").read_text()

    def test_a_start_the_loader_gave_up_on_is_made_again_twice_at_most(self):
        failure = "failed to map the shared user data"
        cases = [  # failed starts, message, exit status, starts
            (0, failure, 5, 1),
            (1, failure, 5, 2),
            (2, failure, 5, 3),
            (3, failure, 1, 3),
            (1, "failed to load the program", 1, 1),
        ]
        for fails, message, code, starts in cases:
            for wait in (True, False):
                with self.subTest(fails=fails, message=message, wait=wait):
                    got_code, got_starts, log = self.run_program(fails, message, wait)
                    self.assertEqual((got_code, got_starts), (code, starts))
                    self.assertEqual(log.count("--- started again"), min(fails, 2)
                                     if message == failure else 0)
                    if code == 5:
                        self.assertTrue(log.endswith("ran prog.exe /S\n"), log)


if __name__ == "__main__":
    unittest.main()
