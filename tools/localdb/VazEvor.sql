-- The launcher's local database as a fresh install holds it: settings, form types and accounts.
-- Texts are Access's Text type: reported as VARCHAR (not memo) and compared without regard to
-- letter case, as Access compares them.

CREATE TABLE SysConfig (
  Class VARCHAR(255) COLLATE NOCASE,
  Name VARCHAR(255) COLLATE NOCASE,
  SysVal VARCHAR(255) COLLATE NOCASE
);

CREATE TABLE RepType (
  TypeID INTEGER,
  Class VARCHAR(255) COLLATE NOCASE,
  TypeName VARCHAR(255) COLLATE NOCASE,
  TypeDesc VARCHAR(255) COLLATE NOCASE,
  TypeFile VARCHAR(255) COLLATE NOCASE,
  FileVer VARCHAR(255) COLLATE NOCASE,
  RepTime VARCHAR(255) COLLATE NOCASE
);

CREATE TABLE Accounts (
  AccID INTEGER
);

CREATE TABLE AccProps (
  AccID INTEGER
);

-- The address of the tax service and the recorded version of each kind of module.
INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', 'ServiceURL', 'http://127.0.0.1:8080');
INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', 'AppVer', '1.0.1');
INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', 'DatabaseVer', '1.0');
INSERT INTO SysConfig (Class, Name, SysVal) VALUES ('SYSTEM', 'SQLVer', '5');

-- One form type of class "Tax" per template code; FileVer is the template's recorded version.
INSERT INTO RepType (TypeID, Class, TypeName, TypeDesc, TypeFile, FileVer, RepTime)
  VALUES (1, 'Tax', 'ZZS', 'ZZS', 'ZZS.xml', '1.0', '2026-01-01 00:00:00');
