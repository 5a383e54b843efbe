"""With libraries bundled under axbridge/prebuilds/, the wheel is tagged for this platform."""
import pathlib

from setuptools import setup
from setuptools.dist import Distribution


class BundledLibraries(Distribution):
    def has_ext_modules(self):
        return any((pathlib.Path(__file__).parent / "axbridge" / "prebuilds").glob("*/*"))


setup(distclass=BundledLibraries)
