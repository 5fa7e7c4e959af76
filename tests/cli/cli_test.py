#!/usr/bin/env python3
"""End-to-end tests of kolvane-cli: archives made with Python's zipfile, the program run as a
user would run it, its JSON, files, stderr lines and exit statuses checked."""
import argparse
import json
import os
import shutil
import subprocess
import sys
import time
import unittest
import zipfile

ARGS = None


def win_path(path):
    """The path as the program sees it (Z: is the root under Wine)."""
    if not ARGS.windows:
        return path
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(*args, stdin=None, env=None, cwd=None):
    command = ([ARGS.emulator] if ARGS.emulator else []) + [ARGS.cli] + list(args)
    done = subprocess.run(command, input=stdin or b"", capture_output=True, timeout=300,
                          env=dict(os.environ, **(env or {})), cwd=cwd)
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

    def test_json_is_written_byte_for_byte_as_the_whole_document_dumped_with_indent_2(self):
        odd = self.make_zip("odd.zip", [
            ("quote\"back\\slash.txt", b"x", zipfile.ZIP_STORED, None, "line\nnext \u00e9".encode()),
            ("caf\u00e9/\u65e5\u672c.txt", b"y" * 100, zipfile.ZIP_DEFLATED, None, b""),
        ], comment="tab\there".encode())
        empty = self.make_zip("empty.zip", [])
        for archive in (self.standard_zip(comment=b"package"), odd, empty):
            status, out, err = run("list", "--json", win_path(archive))
            self.assertEqual(status, 0, err)
            whole = json.dumps(json.loads(out), indent=2, ensure_ascii=False) + "\n"
            self.assertEqual(out.replace("\r\n", "\n"), whole, archive)

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


class LibraryCase(CliCase):
    def library_folder(self, *names):
        folder = self.path("libs")
        os.makedirs(folder, exist_ok=True)
        for name in names:
            shutil.copy(os.path.join(ARGS.fixtures, name), folder)
        return folder

    def by_name(self, entries):
        return {e["path"].replace("\\", "/").rsplit("/", 1)[-1]: e for e in entries}


class InspectTests(LibraryCase):
    def test_json_tells_bitness_entry_points_and_missing_dependencies(self):
        folder = self.library_folder("a.dll", "server64.dll", "plain.dll", "needs_helper.dll")
        with open(os.path.join(folder, "notes.dll"), "w") as f:
            f.write("not a library")
        code, out, _ = run("inspect", "--json", win_path(folder))
        self.assertEqual(code, 1)  # some are no registrable COM servers
        libraries = self.by_name(json.loads(out)["libraries"])
        self.assertEqual(sorted(libraries), ["a.dll", "needs_helper.dll", "notes.dll", "plain.dll", "server64.dll"])
        a = libraries["a.dll"]
        self.assertEqual((a["machine"], a["dll"], a["com_server"], a["dotnet"], a["problem"]),
                         ("x86", True, True, False, None))
        self.assertEqual(a["exports"], ["DllRegisterServer", "DllUnregisterServer"])
        self.assertIn("KERNEL32.dll", a["imports"])
        self.assertEqual(libraries["server64.dll"]["machine"], "x64")
        # The 32-bit Wine prefix is a 32-bit Windows; the stand-in counts as 64-bit.
        expected = "cannot run on this Windows (x64 library on 32-bit Windows)" if ARGS.windows else None
        self.assertEqual(libraries["server64.dll"]["problem"], expected)
        self.assertEqual(libraries["needs_helper.dll"]["missing"], ["kvhelper.dll"])
        self.assertEqual(libraries["needs_helper.dll"]["problem"], "missing dependency kvhelper.dll")
        self.assertEqual(libraries["plain.dll"]["problem"], "not a COM server (no DllRegisterServer)")
        self.assertEqual((libraries["notes.dll"]["machine"], libraries["notes.dll"]["com_server"]), (None, False))

    def test_text_output_gives_a_verdict_per_library_and_status_0_when_all_register(self):
        folder = self.library_folder("a.dll", "c.dll")
        code, out, _ = run("inspect", win_path(folder))
        self.assertEqual(code, 0, out)
        self.assertEqual(sorted(line.split(": ", 1)[1] for line in out.splitlines()), ["x86 COM server"] * 2)

    def test_windows_dir_resolves_system_imports_against_that_tree(self):
        if ARGS.windows:
            self.skipTest("reading a Windows tree from outside is for Linux")
        folder = self.library_folder("a.dll")
        tree = self.path("windows")
        os.makedirs(os.path.join(tree, "System32"))
        for name in ("kernel32.dll", "MSVCRT.DLL"):
            open(os.path.join(tree, "System32", name), "wb").close()
        code, out, _ = run("inspect", "--json", "--windows-dir", tree, folder)
        self.assertEqual(code, 1)
        missing = json.loads(out)["libraries"][0]["missing"]
        self.assertEqual([m.lower() for m in missing], ["advapi32.dll"])

    def test_missing_target_is_bad_usage(self):
        code, _, err = run("inspect", win_path(self.path("nowhere")))
        self.assertEqual(code, 2)
        self.assertIn("no such file or folder", err)


class RegisterTests(LibraryCase):
    def stand_in(self, **variables):
        """Linux: the recording regsvr32 stand-in first on PATH."""
        env = {"PATH": ARGS.fixtures + os.pathsep + os.environ["PATH"], "KV_REGSVR32_LOG": self.path("calls")}
        env.update(variables)
        return env

    def test_json_gives_each_result_with_its_cause_exit_code_and_host(self):
        folder = self.library_folder("a.dll", "plain.dll")
        code, out, _ = run("register", "--json", "--silent", win_path(folder),
                           env=None if ARGS.windows else self.stand_in())
        self.assertEqual(code, 1)
        document = json.loads(out)
        self.assertEqual(document["failed"], 1)
        results = self.by_name(document["results"])
        self.assertEqual((results["a.dll"]["registered"], results["a.dll"]["reason"], results["a.dll"]["exit_code"]),
                         (True, None, 0))
        host = "C:\\windows\\System32\\regsvr32.exe" if ARGS.windows else "regsvr32"
        self.assertEqual(results["a.dll"]["host"], host)
        self.assertEqual(results["plain.dll"], {"path": results["plain.dll"]["path"], "registered": False,
                                                "reason": "not a COM server (no DllRegisterServer)",
                                                "exit_code": None, "host": None})

    def test_timeout_ends_a_regsvr32_that_runs_too_long(self):
        if ARGS.windows:
            self.skipTest("the sleeping regsvr32 stand-in is Linux's; Wine's case is in test_registration")
        folder = self.library_folder("a.dll")
        code, out, _ = run("register", "--timeout", "1", win_path(folder),
                           env=self.stand_in(KV_REGSVR32_SLEEP="30"))
        self.assertEqual(code, 1)
        lines = out.splitlines()
        failed = [i for i, line in enumerate(lines) if line.endswith(" failed.")]
        self.assertEqual(len(failed), 1, out)
        self.assertEqual(lines[failed[0] + 1], "    timed out after 1 s; regsvr32 was ended")


    def test_unregister_runs_regsvr32_u_with_the_output_and_status_of_register(self):
        folder = self.library_folder("a.dll", "failing.dll")
        env = None if ARGS.windows else self.stand_in(KV_REGSVR32_FAIL_SUFFIX="failing.dll")
        code, out, err = run("unregister", "--silent", win_path(folder), env=env)
        self.assertEqual(code, 1, out + err)
        lines = out.splitlines()
        self.assertEqual(lines[0].split(" ver. ")[0], "Kolvane")
        results = [line.replace("\\", "/").rsplit("/", 1)[1] for line in lines if line.endswith((" OK!", " failed."))]
        self.assertEqual(sorted(results), ["a.dll OK!", "failing.dll failed."])
        cause = lines[next(i for i, line in enumerate(lines) if line.endswith(" failed.")) + 1]
        self.assertEqual(cause, "    DllUnregisterServer reported an error (regsvr32 exit code 5)")
        self.assertIn("1 of 2 libraries failed to unregister.", err)
        if not ARGS.windows:
            with open(self.path("calls")) as f:
                self.assertTrue(all(line.startswith("/u|/s|") for line in f.read().splitlines()))
        code, out, _ = run("unregister", "--json", win_path(os.path.join(folder, "a.dll")), env=env)
        self.assertEqual(code, 0, out)
        self.assertEqual(json.loads(out)["results"][0]["unregistered"], True)


class PackTests(CliCase):
    DATE = (2024, 5, 17, 13, 45, 58)

    def setUp(self):
        super().setUp()
        os.makedirs(self.path("libs"))
        os.makedirs(self.path("tmp"))
        for name in ("a.dll", "b.ocx"):
            with open(self.path("libs/" + name), "wb") as f:
                f.write(name.encode() * 100)
        stamp = time.mktime(self.DATE + (0, 0, -1))
        os.utime(self.path("libs/a.dll"), (stamp, stamp))
        with open(self.path("mendKit.exe"), "wb") as f:
            f.write(b"MZ" + bytes(range(256)) * 8)

    def pack(self, *libraries):
        # Relative paths, as a person types them in the package's folder; the work folder goes to
        # TMPDIR on Linux (Wine keeps its own temporary folder).
        return run("pack", "--name", "Tools", "--path", "C:\\Tools", "--desc", "Line one\nLine two",
                   "--stub", "mendKit.exe", "--out", "out.exe", *libraries, cwd=self.dir,
                   env={"TMPDIR": self.path("tmp")})

    def test_members_keep_order_and_dates_and_nothing_is_left_behind(self):
        cli_folder = os.path.dirname(os.path.abspath(ARGS.cli))
        before = sorted(os.listdir(cli_folder))
        status, out, err = self.pack("libs/b.ocx", "libs/a.dll")
        self.assertEqual(status, 0, err)
        self.assertEqual(out.splitlines(), ["Compressing libs/b.ocx", "Compressing libs/a.dll",
                                            "Compressing mendkit.ini", "MendKit successfully built!"])
        with zipfile.ZipFile(self.path("out.exe")) as z:
            self.assertEqual([i.filename for i in z.infolist()], ["b.ocx", "a.dll", "mendkit.ini"])
            self.assertEqual(z.getinfo("a.dll").date_time, self.DATE)
            self.assertEqual(z.read("a.dll"), b"a.dll" * 100)
            manifest = z.read("mendkit.ini")
        self.assertIn(b"mkDesc=Line one\r\nmkDescText=Line one\\nLine two\\n\r\n", manifest)
        self.assertEqual(sorted(os.listdir(cli_folder)), before)
        if not ARGS.windows:
            self.assertEqual(os.listdir(self.path("tmp")), [])

    def test_library_that_cannot_be_read_stops_the_build_naming_it_as_given(self):
        for library in ("libs/gone.dll", "libs"):
            status, out, err = self.pack("libs/a.dll", library)
            self.assertEqual(status, 1, out)
            self.assertIn("Unable to read " + library + "; no package was built.", err)
            self.assertNotIn("Z:", err)
            self.assertFalse(os.path.exists(self.path("out.exe")))
            if not ARGS.windows:
                self.assertEqual(os.listdir(self.path("tmp")), [])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--fixtures", required=True, help="the fixture libraries folder")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
