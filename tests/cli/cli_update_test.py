#!/usr/bin/env python3
"""kolvane-cli create on an existing archive when things go wrong: a folder it may not read, a
write that fails, and the program killed (SIGKILL) at several moments of an update. Afterwards
the archive is always the old one or the new one, as ours, Python's zipfile and unzip -t read it.
Shares the driver of cli_test.py."""
import os
import random
import shutil
import signal
import subprocess
import sys
import time
import unittest
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cli_test  # noqa: E402
from cli_test import CliCase, run, win_path  # noqa: E402

UPDATE_TEMP_SUFFIX = ".kv-update.tmp"
NOBODY = 65534


def command(*args):
    return ([cli_test.ARGS.emulator] if cli_test.ARGS.emulator else []) + [os.path.abspath(cli_test.ARGS.cli)] + list(args)


def unprivileged_prefix():
    """What runs a command as a user to whom chmod 000 applies: nothing when we are no
    administrator, setpriv to nobody when we are root and that works; None when neither."""
    if os.geteuid() != 0:
        return []
    if cli_test.ARGS.windows or not shutil.which("setpriv"):
        return None
    prefix = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
    try:
        done = subprocess.run(prefix + command("--help"), capture_output=True, timeout=60)
    except (OSError, subprocess.SubprocessError):
        return None
    return prefix if done.returncode == 0 else None


def listing(path):
    """The archive as Python's zipfile reads it: (name, size, CRC, date) of every entry."""
    with zipfile.ZipFile(path) as z:
        return [(i.filename, i.file_size, i.CRC, i.date_time) for i in z.infolist()]


class CreateFailureTests(CliCase):
    def test_folder_that_cannot_be_read_makes_create_exit_1(self):
        prefix = unprivileged_prefix()
        if prefix is None:
            self.skipTest("no unprivileged user to run as: a folder with mode 000 stays readable")
        os.makedirs(self.path("src/locked"))
        for name, data in (("src/ok.txt", b"ok"), ("src/locked/hidden.txt", b"hidden")):
            with open(self.path(name), "wb") as f:
                f.write(data)
        os.chmod(self.dir, 0o777)
        os.chmod(self.path("src"), 0o777)
        os.chmod(self.path("src/locked"), 0)
        try:
            if os.access(self.path("src/locked"), os.R_OK) and not prefix:
                self.skipTest("mode 000 does not keep this user out")
            done = subprocess.run(prefix + command("create", "out.zip", "src"), capture_output=True,
                                  timeout=300, cwd=self.dir)
        finally:
            os.chmod(self.path("src/locked"), 0o755)
        err = done.stderr.decode("utf-8", "replace")
        self.assertEqual(done.returncode, 1, err)
        self.assertIn("locked", err)
        names = [entry[0] for entry in listing(self.path("out.zip"))]
        self.assertIn("src/ok.txt", names)
        self.assertFalse([n for n in names if n.startswith("src/locked")], names)

    def test_write_failure_while_updating_exits_1_and_keeps_the_archive(self):
        with open(self.path("a.txt"), "wb") as f:
            f.write(b"first member")
        status, _, err = run("create", "out.zip", "a.txt", cwd=self.dir)
        self.assertEqual(status, 0, err)
        with open(self.path("out.zip"), "rb") as f:
            before = f.read()
        with open(self.path("b.txt"), "wb") as f:
            f.write(b"second member")
        # A folder where the update builds its new archive: the new file cannot be written.
        os.makedirs(self.path("out.zip" + UPDATE_TEMP_SUFFIX + "/x"))
        status, _, err = run("create", "out.zip", "b.txt", cwd=self.dir)
        self.assertEqual(status, 1, err)
        self.assertIn("out.zip", err)
        with open(self.path("out.zip"), "rb") as f:
            self.assertEqual(f.read(), before)

    @unittest.skipIf(sys.platform == "win32", "file size limits are POSIX")
    def test_write_cut_short_by_a_full_disk_exits_1_and_keeps_the_archive(self):
        if cli_test.ARGS.windows:
            self.skipTest("the limit would apply to Wine itself")
        import resource
        with open(self.path("a.bin"), "wb") as f:
            f.write(os.urandom(1 << 16))
        status, _, err = run("create", "--level", "0", "out.zip", "a.bin", cwd=self.dir)
        self.assertEqual(status, 0, err)
        with open(self.path("out.zip"), "rb") as f:
            before = f.read()
        with open(self.path("b.bin"), "wb") as f:
            f.write(os.urandom(1 << 16))

        def limit_file_size():
            # Writes past the limit fail with EFBIG instead of killing the program, as on a full disk.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (len(before) + 4096, len(before) + 4096))

        done = subprocess.run(command("create", "--level", "0", "out.zip", "b.bin"), capture_output=True,
                              timeout=300, cwd=self.dir, preexec_fn=limit_file_size)
        self.assertEqual(done.returncode, 1, done.stderr)
        with open(self.path("out.zip"), "rb") as f:
            self.assertEqual(f.read(), before)
        self.assertFalse(os.path.exists(self.path("out.zip" + UPDATE_TEMP_SUFFIX)))


class KillTests(CliCase):
    """kolvane-cli killed with SIGKILL at several moments while it adds to and replaces members
    of an archive of some 24 MB."""

    MEMBERS = 3
    MEMBER_SIZE = 8 << 20

    def write_sources(self, generation):
        rng = random.Random(generation)
        os.makedirs(self.path("data"), exist_ok=True)
        for i in range(self.MEMBERS + generation):
            # Member 1 changes from one generation to the next, the others stay; each new
            # generation adds one member.
            seed = (i, generation if i == 1 else 0)
            rng.seed(repr(seed))
            with open(self.path("data/m%d.bin" % i), "wb") as f:
                f.write(rng.randbytes(self.MEMBER_SIZE))
            os.utime(self.path("data/m%d.bin" % i), (1700000000, 1700000000))

    def update(self):
        return subprocess.Popen(command("create", "big.zip", "data"), cwd=self.dir, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def assert_reads_as(self, archive, expected):
        self.assertEqual(listing(archive), expected)
        with zipfile.ZipFile(archive) as z:
            self.assertIsNone(z.testzip())
        unzip = subprocess.run(["unzip", "-tqq", archive], capture_output=True)
        self.assertEqual(unzip.returncode, 0, unzip.stdout)
        status, out, err = run("test", archive)
        self.assertEqual(status, 0, out + err)

    def test_kill_at_several_moments_leaves_the_old_or_the_new_archive(self):
        if cli_test.ARGS.windows:
            self.skipTest("a kill of the Wine loader does not stop the Windows process at once")
        archive = self.path("big.zip")
        self.write_sources(0)
        status, _, err = run("create", "big.zip", "data", cwd=self.dir)
        self.assertEqual(status, 0, err)
        with open(archive, "rb") as f:
            old_bytes = f.read()
        old = listing(archive)

        # The new archive, and how long the update takes, from one run on a copy.
        self.write_sources(1)
        shutil.copy(archive, self.path("big.zip.orig"))
        start = time.monotonic()
        self.assertEqual(self.update().wait(timeout=600), 0)
        took = time.monotonic() - start
        new = listing(archive)
        self.assertNotEqual(old, new)

        seen = {"old": 0, "new": 0, "leftover": 0}
        for fraction in (0.02, 0.1, 0.25, 0.4, 0.55, 0.7, 0.85, 0.95, 1.1):
            shutil.copy(self.path("big.zip.orig"), archive)
            process = self.update()
            time.sleep(took * fraction)
            process.send_signal(signal.SIGKILL)
            process.wait(timeout=60)
            with open(archive, "rb") as f:
                after = f.read()
            with self.subTest(fraction=fraction):
                if after == old_bytes:
                    seen["old"] += 1
                    self.assert_reads_as(archive, old)
                else:
                    seen["new"] += 1
                    self.assert_reads_as(archive, new)
                leftovers = [n for n in os.listdir(self.dir) if n.startswith("big.zip.") and n != "big.zip.orig"]
                self.assertTrue(set(leftovers) <= {"big.zip" + UPDATE_TEMP_SUFFIX}, leftovers)
                seen["leftover"] += bool(leftovers)
        print("kills:", seen, "update took %.2f s" % took, file=sys.stderr)
        self.assertGreater(seen["old"], 0)
        self.assertGreater(seen["new"], 0)

        # A leftover goes with the next update of that archive.
        shutil.copy(self.path("big.zip.orig"), archive)
        with open(self.path("big.zip" + UPDATE_TEMP_SUFFIX), "wb") as f:
            f.write(b"PK\x03\x04 cut short")
        self.assertEqual(self.update().wait(timeout=600), 0)
        self.assert_reads_as(archive, new)
        self.assertFalse(os.path.exists(self.path("big.zip" + UPDATE_TEMP_SUFFIX)))


if __name__ == "__main__":
    cli_test.main()
