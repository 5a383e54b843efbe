"""The package's tests load the library the test command built, named by AXBRIDGE_LIBRARY (default:
the simulated flavour in the source tree's build/)."""
import os
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
os.environ.setdefault("AXBRIDGE_LIBRARY",
                      str(HERE.parent.parent.parent / "build" / "src" / "libaxbridge-sim.so"))
