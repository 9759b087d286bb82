"""A device's storage card laid out in a Wine prefix, where drive C: plays the device's
root: the program in C:\\Storage Card\\Install beside its list and packages, and a
stand-in installer at C:\\windows\\wceload.exe that logs every start to C:\\wceload.log."""
import os
import shutil
import subprocess
from pathlib import Path

WINE_RUN = Path(__file__).resolve().parent / "wine-run"
INSTALL_DIR = "C:\\Storage Card\\Install"


class Card:
    def __init__(self, prefix, program, standin, install_dir=INSTALL_DIR):
        """install_dir: the program's folder on drive C:, as Windows names it."""
        self.prefix, self.program, self.standin = (Path(p).resolve() for p in (prefix, program, standin))
        self.drive = self.prefix / "drive_c"
        self.install_dir = install_dir
        self.install = self.drive.joinpath(*install_dir.split("\\")[1:])
        self.card = self.drive / install_dir.split("\\")[1]
        self.installer = self.drive / "windows" / "wceload.exe"
        self.log = self.drive / "wceload.log"

    def lay_out(self, files, installer=True):
        """A fresh card holding the program and files (name -> bytes; a name may hold
        a folder, with /)."""
        if not (self.prefix / "system.reg").exists():
            self.wine("cmd", "/c", "exit")  # wine-run makes the prefix on first use
        shutil.rmtree(self.card, ignore_errors=True)
        self.install.mkdir(parents=True)
        shutil.copy(self.program, self.install / "cabbatch.exe")
        for name, data in files.items():
            (self.install / name).parent.mkdir(parents=True, exist_ok=True)
            (self.install / name).write_bytes(data)
        self.installer.unlink(missing_ok=True)
        if installer:
            shutil.copy(self.standin, self.installer)
        self.log.unlink(missing_ok=True)

    def wine(self, *command, env=None):
        """Runs a Windows command with the card's directory as working directory, so that
        device paths such as \\windows\\wceload.exe resolve on drive C:."""
        cwd = self.install if self.install.is_dir() else self.prefix.parent
        return subprocess.run([str(WINE_RUN), *command], cwd=cwd, env=self.env(env),
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode

    def env(self, extra=None):
        """The environment for Wine programs run in this card's prefix."""
        return dict(os.environ, CABBATCH_WINEPREFIX=str(self.prefix), **(extra or {}))

    def run(self, *arguments, env=None):
        """Runs the program from the card; its exit code."""
        return self.wine(self.install_dir + "\\cabbatch.exe", *arguments, env=env)

    def starts(self):
        """Each installer start as (another one was running, its command line)."""
        if not self.log.exists():
            return []
        lines = self.log.read_bytes().decode("utf-8").split("\n")[:-1]
        return [(line[0] == "1", line[2:]) for line in lines]

    def stop(self):
        env = dict(os.environ, WINEPREFIX=str(self.prefix))
        subprocess.run(["wineserver", "-k"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
