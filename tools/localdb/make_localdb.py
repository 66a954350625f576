#!/usr/bin/env python3
"""Writes the launcher's local database "VazEvor.mdb" from VazEvor.sql.

The file is a SQLite database for the stand-in Access ODBC driver; on Windows a real Access file
takes its place. Options change the seed rows for a test or a run:

  make_localdb.py OUT [--service-url URL] [--app-ver V] [--database-ver V] [--sql-ver V]
                      [--template CODE=VER]... [--omit CLASS.NAME]...
                      [--sql TEXT]... [--sql-file FILE]...

--template replaces the seed's form types by one "Tax" row per code (in the order given);
--omit leaves out a SysConfig row; --sql and --sql-file run after the seed, in the order given
(a trigger, a dropped table, more rows). Texts outside ASCII are stored in the launcher's code
page (936), as the launcher reads and writes them through the ANSI driver.
"""
import argparse
import os
import sqlite3
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SCHEMA = os.path.join(HERE, "VazEvor.sql")
CODE_PAGE = "gbk"

SETTINGS = [
    ("service_url", "ServiceURL"),
    ("app_ver", "AppVer"),
    ("database_ver", "DatabaseVer"),
    ("sql_ver", "SQLVer"),
]


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("output")
    p.add_argument("--service-url")
    p.add_argument("--app-ver")
    p.add_argument("--database-ver")
    p.add_argument("--sql-ver")
    p.add_argument("--template", action="append", default=[], metavar="CODE=VER")
    p.add_argument("--omit", action="append", default=[], metavar="CLASS.NAME")
    p.add_argument("--sql", action="append", dest="extra", type=lambda t: ("text", t), default=[])
    p.add_argument("--sql-file", action="append", dest="extra", type=lambda f: ("file", f))
    args = p.parse_args(argv)
    for t in args.template:
        if "=" not in t or not t.split("=", 1)[0]:
            p.error("--template wants CODE=VER, got %r" % t)
    for key in args.omit:
        if "." not in key:
            p.error("--omit wants CLASS.NAME, got %r" % key)
    return args


def set_setting(db, name, value):
    changed = db.execute("UPDATE SysConfig SET SysVal=? WHERE Class='SYSTEM' AND Name=?", (value, name)).rowcount
    if changed == 0:
        db.execute("INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', ?, ?)", (name, value))


def set_templates(db, templates):
    db.execute("DELETE FROM RepType WHERE Class='Tax'")
    for n, t in enumerate(templates, 1):
        code, version = t.split("=", 1)
        db.execute(
            "INSERT INTO RepType (TypeID, Class, TypeName, TypeDesc, TypeFile, FileVer, RepTime)"
            " VALUES (?, 'Tax', ?, ?, ?, ?, '2026-01-01 00:00:00')",
            (n, code, code, code + ".xml", version),
        )


def store_in_code_page(db):
    """Re-stores every non-ASCII text as code-page bytes (still typed as text)."""
    # The rewrite is no UPDATE of the database's own: triggers of the options must not see it.
    triggers = db.execute("SELECT name, sql FROM sqlite_master WHERE type='trigger'").fetchall()
    for name, _ in triggers:
        db.execute('DROP TRIGGER "%s"' % name)
    tables = [r[0] for r in db.execute("SELECT name FROM sqlite_master WHERE type='table'")]
    for table in tables:
        columns = [r[1] for r in db.execute('PRAGMA table_info("%s")' % table)]
        for column in columns:
            rows = db.execute('SELECT rowid, "%s" FROM "%s"' % (column, table)).fetchall()
            for rowid, value in rows:
                if isinstance(value, str) and not value.isascii():
                    db.execute(
                        'UPDATE "%s" SET "%s"=CAST(? AS TEXT) WHERE rowid=?' % (table, column),
                        (value.encode(CODE_PAGE), rowid),
                    )
    for _, sql in triggers:
        db.execute(sql)


def build(args):
    with open(SCHEMA, encoding="utf-8") as f:
        schema = f.read()
    db = sqlite3.connect(args.output, isolation_level=None)
    try:
        db.executescript(schema)
        db.execute("BEGIN")
        for option, name in SETTINGS:
            value = getattr(args, option)
            if value is not None:
                set_setting(db, name, value)
        if args.template:
            set_templates(db, args.template)
        for key in args.omit:
            cls, name = key.split(".", 1)
            db.execute("DELETE FROM SysConfig WHERE Class=? AND Name=?", (cls, name))
        db.execute("COMMIT")
        for kind, value in args.extra:
            if kind == "file":
                with open(value, encoding="utf-8") as f:
                    value = f.read()
            db.executescript(value)
        store_in_code_page(db)
    finally:
        db.close()


def main(argv):
    args = parse_args(argv)
    # Written beside the target and renamed, so a failed run leaves no half-made database.
    target = os.path.abspath(args.output)
    args.output = target + ".part"
    if os.path.exists(args.output):
        os.remove(args.output)
    try:
        build(args)
    except (sqlite3.Error, OSError) as e:
        if os.path.exists(args.output):
            os.remove(args.output)
        print("make_localdb: %s" % e, file=sys.stderr)
        return 1
    os.replace(args.output, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
