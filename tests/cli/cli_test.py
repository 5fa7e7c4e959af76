#!/usr/bin/env python3
"""End-to-end tests of kolvane-cli: archives made with Python's zipfile, the program run as a
user would run it, its JSON, files, stderr lines and exit statuses checked."""
import argparse
import json
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

ARGS = None


def win_path(path):
    """The path as the program sees it (Z: is the root under Wine)."""
    if not ARGS.windows:
        return path
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(*args, stdin=None):
    command = ([ARGS.emulator] if ARGS.emulator else []) + [ARGS.cli] + list(args)
    done = subprocess.run(command, input=stdin or b"", capture_output=True, timeout=300)
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


class CliCase(unittest.TestCase):
    def setUp(self):
        self.dir = os.path.join(ARGS.work, self.id().split(".")[-1])
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def make_zip(self, name, members, comment=b"", stub=b""):
        """members: (name, data, compress_type, extra attributes or None, comment)"""
        target = self.path(name)
        with zipfile.ZipFile(target, "w") as z:
            z.comment = comment
            for member_name, data, method, attributes, member_comment in members:
                info = zipfile.ZipInfo(member_name, date_time=(2024, 5, 17, 13, 45, 58))
                info.compress_type = method
                info.comment = member_comment
                if attributes is not None:
                    info.external_attr = attributes
                z.writestr(info, data)
        if stub:
            with open(target, "rb") as f:
                body = f.read()
            with open(target, "wb") as f:
                f.write(stub + body)
        return target

    def standard_zip(self, **kwargs):
        return self.make_zip("a.zip", [
            ("readme.txt", b"hello\r\n", zipfile.ZIP_STORED, 0x20, b"first"),
            ("sub/", b"", zipfile.ZIP_STORED, 0x10, b""),
            ("sub/lib.dll", bytes(range(256)) * 200, zipfile.ZIP_DEFLATED, 0x21, b""),
        ], **kwargs)


class ListTests(CliCase):
    def test_json_gives_every_field_in_directory_order(self):
        archive = self.standard_zip(comment=b"package")
        status, out, err = run("list", "--json", win_path(archive))
        self.assertEqual(status, 0, err)
        listing = json.loads(out)
        self.assertEqual(list(listing), ["stub_size", "comment", "entries"])
        self.assertEqual(listing["stub_size"], 0)
        self.assertEqual(listing["comment"], "package")
        with zipfile.ZipFile(archive) as z:
            expected = [{
                "name": i.filename, "size": i.file_size, "compressed_size": i.compress_size,
                "method": i.compress_type, "crc32": "%08x" % i.CRC,
                "dos_date": (i.date_time[0] - 1980) << 9 | i.date_time[1] << 5 | i.date_time[2],
                "dos_time": i.date_time[3] << 11 | i.date_time[4] << 5 | i.date_time[5] // 2,
                "attributes": i.external_attr, "folder": i.filename.endswith("/"),
                "comment": i.comment.decode()} for i in z.infolist()]
        self.assertEqual(listing["entries"], expected)

    def test_table_names_every_entry(self):
        status, out, _ = run("list", win_path(self.standard_zip()))
        self.assertEqual(status, 0)
        for name in ("readme.txt", "sub/", "sub/lib.dll"):
            self.assertIn(name, out)

    def test_archive_behind_a_stub(self):
        stub = b"MZ" + b"\x90" * 4094
        archive = self.standard_zip(stub=stub)
        status, out, err = run("list", "--json", win_path(archive))
        self.assertEqual(status, 0, err)
        self.assertEqual(json.loads(out)["stub_size"], len(stub))
        status, _, err = run("extract", win_path(archive), win_path(self.path("out")))
        self.assertEqual(status, 0, err)
        with open(self.path("out/sub/lib.dll"), "rb") as f:
            self.assertEqual(f.read(), bytes(range(256)) * 200)


class StatusTests(CliCase):
    def test_missing_archive_is_status_2_with_one_line_naming_it(self):
        missing = win_path(self.path("missing.zip"))
        for command in (["list"], ["test"], ["extract"]):
            args = command + [missing] + ([win_path(self.path("out"))] if command == ["extract"] else [])
            status, _, err = run(*args)
            self.assertEqual(status, 2, command)
            self.assertEqual(len(err.strip().splitlines()), 1, err)
            self.assertIn("missing.zip", err)

    def test_not_an_archive_is_status_2(self):
        with open(self.path("junk.zip"), "wb") as f:
            f.write(b"this is not a zip file at all" * 10)
        status, _, err = run("test", win_path(self.path("junk.zip")))
        self.assertEqual(status, 2)
        self.assertIn("junk.zip", err)

    def test_bad_usage_is_status_2_and_help_is_0(self):
        self.assertEqual(run()[0], 2)
        self.assertEqual(run("extract", "only-one-argument")[0], 2)
        self.assertEqual(run("extract", "a", "b", "--overwrite", "sometimes")[0], 2)
        status, out, _ = run("--help")
        self.assertEqual(status, 0)
        for word in ("list", "test", "extract", "Exit status"):
            self.assertIn(word, out)
        status, out, _ = run("extract", "--help")
        self.assertEqual(status, 0)
        self.assertIn("--overwrite", out)


class CorruptionTests(CliCase):
    def corrupted(self):
        archive = self.make_zip("bad.zip", [
            ("good.txt", b"fine", zipfile.ZIP_STORED, None, b""),
            ("bad.txt", b"B" * 1000, zipfile.ZIP_STORED, None, b""),
        ])
        with open(archive, "r+b") as f:
            data = f.read()
            at = data.index(b"B" * 1000)
            f.seek(at + 10)
            f.write(b"X")
        return archive

    def test_test_names_the_bad_member(self):
        status, out, err = run("test", win_path(self.corrupted()))
        self.assertEqual(status, 1)
        self.assertIn("FAILED  bad.txt", out)
        self.assertIn("OK      good.txt", out)
        self.assertEqual(len(err.strip().splitlines()), 1, err)
        self.assertIn("bad.txt", err)
        self.assertIn("Native error: 00008", err)

    def test_extract_keeps_the_rest_and_drops_the_bad_file(self):
        status, _, err = run("extract", win_path(self.corrupted()), win_path(self.path("out")))
        self.assertEqual(status, 1)
        self.assertIn("bad.txt", err)
        self.assertTrue(os.path.exists(self.path("out/good.txt")))
        self.assertFalse(os.path.exists(self.path("out/bad.txt")))


class ExtractTests(CliCase):
    def test_entries_that_would_leave_the_destination_are_refused(self):
        names = ["../evil1.txt", "/evil2.txt", "C:/evil3.txt", "//server/share/evil4.txt", "a:b.txt",
                 "con.txt", "sub/nul", "trail./x.txt", "q?.txt"]
        members = [(n, b"evil", zipfile.ZIP_STORED, None, b"") for n in names]
        members.append(("ok/fine.txt", b"fine", zipfile.ZIP_DEFLATED, None, b""))
        archive = self.make_zip("slip.zip", members)
        os.makedirs(self.path("dest"))
        status, _, err = run("extract", win_path(archive), win_path(self.path("dest")))
        self.assertEqual(status, 1)
        self.assertEqual(len(err.strip().splitlines()), len(names), err)
        self.assertEqual(err.count(": refused: "), len(names), err)
        with open(self.path("dest/ok/fine.txt"), "rb") as f:
            self.assertEqual(f.read(), b"fine")
        for root, _, files in os.walk(ARGS.work):
            for name in files:
                self.assertNotIn("evil", name, os.path.join(root, name))

    def test_masks_choose_entries(self):
        archive = self.standard_zip()
        status, _, err = run("extract", win_path(archive), win_path(self.path("out")), "*.dll")
        self.assertEqual(status, 0, err)
        self.assertTrue(os.path.exists(self.path("out/sub/lib.dll")))
        self.assertFalse(os.path.exists(self.path("out/readme.txt")))

    def test_overwrite_modes(self):
        archive = self.standard_zip()
        cases = [("never", b"", b"old"), ("always", b"", b"hello\r\n"), ("prompt", b"", b"old"),
                 ("prompt", b"y\n", b"hello\r\n"), ("prompt", b"n\n", b"old")]
        for mode, answers, expected in cases:
            out = self.path("out-" + mode + str(len(answers)) + answers.decode().strip())
            os.makedirs(out)
            with open(os.path.join(out, "readme.txt"), "wb") as f:
                f.write(b"old")
            status, _, err = run("extract", win_path(archive), win_path(out), "readme.txt", "--overwrite", mode,
                                 stdin=answers)
            self.assertEqual(status, 0, err)
            with open(os.path.join(out, "readme.txt"), "rb") as f:
                self.assertEqual(f.read(), expected, (mode, answers))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--windows", action="store_true")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
