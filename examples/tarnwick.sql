-- The example account database of a small FTP site: a few dozen accounts, most of
-- them sound, some with links that point at rows that are gone, and one index
-- that the schema description wants but the database lacks. Built into
-- tarnwick.mdb (an SQLite file, which the embedded provider opens) by
-- examples/make-example-db.
PRAGMA foreign_keys = OFF;
BEGIN;

CREATE TABLE SETTINGS (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ALLOW_ANONYMOUS BIT NOT NULL DEFAULT 0,
  MAX_CONNECTIONS INTEGER NOT NULL DEFAULT 0,
  IDLE_TIMEOUT INTEGER NOT NULL DEFAULT 600
);
CREATE TABLE QUOTAS (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ENABLE_QUOTA BIT NOT NULL DEFAULT 0,
  MAX_MEGABYTES INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE RATIOS (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ENABLE_RATIO BIT NOT NULL DEFAULT 0,
  UPLOAD_PART INTEGER NOT NULL DEFAULT 1,
  DOWNLOAD_PART INTEGER NOT NULL DEFAULT 1
);
CREATE TABLE FOLDERS (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ACCOUNT_ID INTEGER NOT NULL DEFAULT 0,
  ROOT_ID INTEGER NOT NULL DEFAULT -1,
  NAME NVARCHAR(255),
  ALIAS NVARCHAR(255),
  ALLOW_READ BIT NOT NULL DEFAULT 1,
  ALLOW_WRITE BIT NOT NULL DEFAULT 0
);
CREATE INDEX IX_FOLDERS_ROOT ON FOLDERS(ROOT_ID);
CREATE TABLE ACCOUNTS (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  NAME NVARCHAR(255) NOT NULL,
  PASS NVARCHAR(255),
  ENABLED BIT NOT NULL DEFAULT 1,
  SETTINGS_ID INTEGER NOT NULL DEFAULT 0,
  HOME_FOLDER_ID INTEGER NOT NULL DEFAULT 0,
  QUOTA_ID INTEGER NOT NULL DEFAULT 0,
  RATIO_ID INTEGER NOT NULL DEFAULT 0,
  LOGIN_COUNT INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX IX_ACCOUNTS_NAME ON ACCOUNTS(NAME);
CREATE INDEX IX_ACCOUNTS_SETTINGS ON ACCOUNTS(SETTINGS_ID);

-- Forty accounts, each with its own settings, quota, ratio and home folder.
CREATE TEMP TABLE NAMES (N INTEGER PRIMARY KEY, NAME TEXT);
INSERT INTO NAMES (NAME) VALUES
  ('anonymous'), ('admin'), ('alice'), ('bob'), ('carol'), ('dave'), ('erin'), ('frank'),
  ('grace'), ('heidi'), ('ivan'), ('judy'), ('mallory'), ('niaj'), ('olivia'), ('peggy'),
  ('rupert'), ('sybil'), ('trent'), ('victor'), ('walter'), ('backup'), ('webcam'), ('scanner'),
  ('printshop'), ('releases'), ('mirror'), ('uploads'), ('press'), ('design'), ('accounting'), ('hr'),
  ('sales'), ('support'), ('build-bot'), ('logs'), ('media'), ('archive'), ('guest'), ('o''brien');

INSERT INTO SETTINGS (ID, ALLOW_ANONYMOUS, MAX_CONNECTIONS) SELECT N, N = 1, 2 + N % 4 FROM NAMES;
INSERT INTO QUOTAS (ID, ENABLE_QUOTA, MAX_MEGABYTES) SELECT N, N % 3 = 0, 1024 * (N % 5 + 1) FROM NAMES;
INSERT INTO RATIOS (ID, ENABLE_RATIO, UPLOAD_PART, DOWNLOAD_PART) SELECT N, N % 7 = 0, 1, 3 FROM NAMES;
INSERT INTO FOLDERS (ID, ACCOUNT_ID, ROOT_ID, NAME, ALIAS)
  SELECT N, N, N, '/srv/ftp/' || NAME, '/' FROM NAMES;
INSERT INTO ACCOUNTS (ID, NAME, PASS, SETTINGS_ID, HOME_FOLDER_ID, QUOTA_ID, RATIO_ID, LOGIN_COUNT)
  SELECT N, NAME, lower(hex(randomblob(8))), N, N, N, N, (N * 37) % 250 FROM NAMES;

-- Damage of the kind the account check finds: rows deleted behind the accounts'
-- backs, and links that were never set.
DELETE FROM SETTINGS WHERE ID IN (4, 17);
DELETE FROM QUOTAS WHERE ID IN (9);
DELETE FROM RATIOS WHERE ID IN (23, 31);
DELETE FROM FOLDERS WHERE ID IN (12, 40);
UPDATE ACCOUNTS SET QUOTA_ID = 0 WHERE NAME = 'webcam';
UPDATE ACCOUNTS SET RATIO_ID = -1, HOME_FOLDER_ID = 999 WHERE NAME = 'guest';

DROP TABLE NAMES;
COMMIT;
