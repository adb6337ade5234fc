#!/usr/bin/env python3
"""Regenerates the reference tables into a folder of the build tree and
checks that each is byte for byte the committed source in db/data: the
committed tables are what db/generate.py writes, not hand edits it would
undo.

  check_generated.py DB_FOLDER OUTPUT_FOLDER
"""

import filecmp
import os
import shutil
import subprocess
import sys


def main(db, out):
    shutil.rmtree(out, ignore_errors=True)
    subprocess.run([sys.executable, os.path.join(db, "generate.py"), "--out", out],
                   check=True, stdout=subprocess.DEVNULL)
    written = sorted(os.listdir(out))
    differ = [n for n in written
              if not filecmp.cmp(os.path.join(out, n), os.path.join(db, "data", n), shallow=False)]
    for name in differ:
        print("differs from db/data/%s: run python3 db/generate.py and commit" % name)
    print("%d tables regenerated, %d differ" % (len(written), len(differ)))
    return 1 if differ or len(written) < 7 else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    sys.exit(main(sys.argv[1], sys.argv[2]))
