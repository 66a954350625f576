"""Checks of the local database generator: the seed, each option, and bad options."""
import os
import sqlite3
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
MAKER = os.path.join(HERE, "make_localdb.py")


class MakeLocalDb(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "VazEvor.mdb")

    def tearDown(self):
        self.dir.cleanup()

    def make(self, *options):
        return subprocess.run([sys.executable, MAKER, self.path, *options], capture_output=True, text=True)

    def rows(self, sql):
        db = sqlite3.connect(self.path, isolation_level=None)
        db.text_factory = bytes
        try:
            return db.execute(sql).fetchall()
        finally:
            db.close()

    def settings(self):
        return {(c.decode() + "." + n.decode()): v.decode() for c, n, v in self.rows("SELECT * FROM SysConfig")}

    def test_seed_holds_the_address_the_versions_and_one_template(self):
        self.assertEqual(self.make().returncode, 0)
        self.assertEqual(
            self.settings(),
            {
                "SYSTEM.ServiceURL": "http://127.0.0.1:8080",
                "SYSTEM.AppVer": "1.0.1",
                "SYSTEM.DatabaseVer": "1.0",
                "SYSTEM.SQLVer": "5",
            },
        )
        self.assertEqual(self.rows("SELECT TypeID, Class, TypeName, FileVer FROM RepType"), [(1, b"Tax", b"ZZS", b"1.0")])
        self.assertEqual(self.rows("SELECT count(*) FROM Accounts"), [(0,)])
        self.assertEqual(self.rows("SELECT count(*) FROM AccProps"), [(0,)])

    def test_texts_are_access_text_compared_without_case(self):
        self.make()
        declared = {r[1].decode(): r[2].decode() for r in self.rows("PRAGMA table_info(RepType)")}
        self.assertEqual(declared["TypeID"], "INTEGER")
        self.assertEqual(declared["FileVer"], "VARCHAR(255)")
        self.assertEqual(self.rows("SELECT SysVal FROM SysConfig WHERE Class='system' AND Name='appver'"), [(b"1.0.1",)])

    def test_options_set_leave_out_and_add_rows(self):
        cases = [
            (["--service-url", "http://127.0.0.1:5/nil", "--app-ver", "2.0"],
             {"SYSTEM.ServiceURL": "http://127.0.0.1:5/nil", "SYSTEM.AppVer": "2.0"}),
            (["--omit", "SYSTEM.SQLVer", "--database-ver", "3"], {"SYSTEM.SQLVer": None, "SYSTEM.DatabaseVer": "3"}),
            # A version for a row that was left out comes back as a new row.
            (["--omit", "SYSTEM.AppVer", "--sql", "INSERT INTO SysConfig VALUES ('UI','X','1')"],
             {"SYSTEM.AppVer": None, "UI.X": "1"}),
        ]
        for options, expected in cases:
            with self.subTest(options=options):
                self.assertEqual(self.make(*options).returncode, 0)
                got = self.settings()
                for key, value in expected.items():
                    self.assertEqual(got.get(key), value, key)

    def test_templates_replace_the_seed_rows_in_order(self):
        self.make("--template", "A1=1.1", "--template", "B2=0.9")
        self.assertEqual(
            self.rows("SELECT TypeID, Class, TypeName, FileVer FROM RepType ORDER BY TypeID"),
            [(1, b"Tax", b"A1", b"1.1"), (2, b"Tax", b"B2", b"0.9")],
        )

    def test_sql_runs_in_order_and_its_triggers_see_only_later_updates(self):
        log = os.path.join(self.dir.name, "log.sql")
        with open(log, "w", encoding="utf-8") as f:
            f.write("CREATE TABLE Log (Name TEXT);"
                    "CREATE TRIGGER LogUpdate AFTER UPDATE ON SysConfig BEGIN INSERT INTO Log VALUES (new.Name); END;")
        self.assertEqual(self.make("--sql-file", log, "--sql", "DROP TABLE AccProps",
                                   "--sql", "INSERT INTO SysConfig VALUES ('UI','MAINTITLE','增值税')").returncode, 0)
        self.assertEqual(self.rows("SELECT count(*) FROM sqlite_master WHERE name='AccProps'"), [(0,)])
        self.assertEqual(self.rows("SELECT count(*) FROM Log"), [(0,)])
        # Chinese text in the launcher's code page, still a text value.
        self.assertEqual(self.rows("SELECT SysVal, typeof(SysVal) FROM SysConfig WHERE Name='MAINTITLE'"),
                         [("增值税".encode("gbk"), b"text")])
        self.rows("UPDATE SysConfig SET SysVal='x' WHERE Name='AppVer'")
        self.assertEqual(self.rows("SELECT Name FROM Log"), [(b"AppVer",)])

    def test_bad_options_and_bad_sql_fail_and_leave_no_file(self):
        for options in (["--template", "nover"], ["--omit", "nodot"], ["--sql", "CREATE TABLE SysConfig (x)"]):
            with self.subTest(options=options):
                result = self.make(*options)
                self.assertNotEqual(result.returncode, 0)
                self.assertTrue(result.stderr)
                self.assertFalse(os.path.exists(self.path))
                self.assertFalse(os.path.exists(self.path + ".part"))


if __name__ == "__main__":
    unittest.main()
