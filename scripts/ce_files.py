"""The emulated device's file system, kept in a host folder: a single root with no drive,
names compared as Windows CE compares them, and a card laid out in it for a run."""
import re
import stat
from pathlib import Path

import make_case_table

INSTALLER = "\\windows\\wceload.exe"
# Windows' own upper-case table, the one the card check folds with: Unicode's (str.upper)
# would take 'ﬁ' for "FI", 'ſ' for 'S', 'ı' for 'I' and 'ς' for 'Σ', and a device does not.
UPPER_CASE = make_case_table.generated_table()


def folded(name):
    """A name as the device's file system compares it, each UTF-16 unit through the table;
    a character beyond the BMP is two surrogates, which the table leaves alone."""
    return name.translate(UPPER_CASE)


def is_text(name):
    """False for a host name that is not UTF-8 (Python holds its bytes as lone surrogates):
    no entry of a list can name such a file, as the card check holds too."""
    try:
        name.encode("utf-8")
        return True
    except UnicodeEncodeError:
        return False


def unholdable(name):
    """The first character of a name that no device's file system holds, or None: a
    control character, or one of those the card check's rule bars."""
    found = re.search(r'[\x00-\x1f"*:<>?|]', name)
    return found.group() if found else None


def without_trailing(name):
    """A name without the dots and spaces it ends with, which desktop Windows drops."""
    return name.rstrip(". ")


class FileSystem:
    """The device's single root: paths have no drive, names match without regard to case,
    and a file without write permission bits cannot be deleted (root could delete it here)."""

    def __init__(self, root):
        self.root = Path(root)

    def listing(self, folder):
        """The entries of a host folder that the device could name, in the host's order."""
        return [child for child in folder.iterdir() if is_text(child.name)]

    def matches(self, folder, name, folder_wanted=False):
        """The entries of a host folder that the device reaches by name, the one it takes
        first. A host that tells case apart may hold case twins, names that fold alike, of
        which a device holds only one. So that the choice does not hang on the listing's
        order, the rule is: the kind wanted first (a folder on the way, a file at the end),
        then the lowest name in code point order."""
        twins = [child for child in self.listing(folder) if folded(child.name) == folded(name)]
        return sorted(twins, key=lambda child: (child.is_dir() != folder_wanted, child.name))

    def find(self, path):
        """The host path a device path names, or None. A name ending in dots or spaces is
        looked up without them, as desktop Windows does and the card check takes it (whether
        a device drops them is not known): a file that keeps them is not reached."""
        if not path.startswith("\\"):
            return None
        parts = [p for p in path.split("\\") if p]
        here = self.root
        for number, part in enumerate(parts, 1):
            if not here.is_dir():
                return None
            last = number == len(parts)
            trimmed = without_trailing(part) if last else part
            found = self.matches(here, trimmed or part, folder_wanted=not last)
            if not found:
                return None
            here = found[0]
        return here

    def read(self, path):
        found = self.find(path)
        return found.read_bytes() if found is not None and found.is_file() else None

    def delete(self, path):
        """The host path deleted, or None: no such file, or a read-only one."""
        found = self.find(path)
        if found is None or not found.is_file() or not found.stat().st_mode & 0o222:
            return None
        found.unlink()
        return found


def host_folder(root, folder):
    """Where a device folder (a path from the device's root) lies under the host's root."""
    return Path(root).joinpath(*[p for p in folder.split("\\") if p])


def add_installer(root):
    """Puts the stand-in installer in the device's \\windows, unless the root holds one
    already; the host path put there, or None."""
    if FileSystem(root).find(INSTALLER) is not None:
        return None
    installer = host_folder(root, INSTALLER)
    installer.parent.mkdir(parents=True, exist_ok=True)
    installer.write_bytes(b"")
    return installer


def lay_out(root, folder, program, files, installer=True):
    """A device root holding the program at folder (a device path) with files beside it
    (name -> bytes; a name may hold a folder, with /); the module path."""
    install = host_folder(root, folder)
    install.mkdir(parents=True, exist_ok=True)
    for name, data in files.items():
        (install / name).parent.mkdir(parents=True, exist_ok=True)
        (install / name).write_bytes(data)
    (install / "cabbatch.exe").write_bytes(Path(program).read_bytes())
    if installer:
        add_installer(root)
    return folder.rstrip("\\") + "\\cabbatch.exe"


def read_only(path):
    path.chmod(path.stat().st_mode & ~(stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))
