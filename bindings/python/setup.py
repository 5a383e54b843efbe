"""With libraries bundled under axbridge/prebuilds/, the wheel is tagged for this platform (any
Python 3: the package loads them with ctypes)."""
import pathlib

from setuptools import setup
from setuptools.dist import Distribution
from wheel.bdist_wheel import bdist_wheel


class BundledLibraries(Distribution):
    def has_ext_modules(self):
        return any((pathlib.Path(__file__).parent / "axbridge" / "prebuilds").glob("*/*"))


class PlatformWheel(bdist_wheel):
    def get_tag(self):
        python, abi, platform = super().get_tag()
        return (python, abi, platform) if self.root_is_pure else ("py3", "none", platform)


setup(distclass=BundledLibraries, cmdclass={"bdist_wheel": PlatformWheel})
