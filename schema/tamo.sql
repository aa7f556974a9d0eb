-- The organizer database "Tamo.qdb". The build creates it beside the
-- program from this file when none exists; an existing file is never
-- touched. The program itself never creates or alters tables.

PRAGMA page_size = 4096;

CREATE TABLE TimePeriods (
    TPID     INTEGER PRIMARY KEY,
    Descript TEXT
);

INSERT INTO TimePeriods (TPID, Descript) VALUES
    (1, 'minutes'),
    (2, 'hours'),
    (3, 'days'),
    (4, 'weeks'),
    (5, 'months'),
    (6, 'years');

-- The 48 half-hour slots of a day, in ascending order. Each value is
-- computed as k * 1800 / 86400.0 so it equals TimeValue() of the slot time
-- exactly.
CREATE TABLE Halfhours (
    "Time" REAL NOT NULL
);

INSERT INTO Halfhours ("Time")
    WITH RECURSIVE slot(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM slot WHERE k < 47)
    SELECT k * 1800 / 86400.0 FROM slot ORDER BY k;

-- Tasks, plans and holidays (MesType, src/data/mes_type.h).
-- AUTOINCREMENT keeps the id of a deleted row from being given to a new one,
-- so a late answer to a deleted task's reminder can never touch another task.
CREATE TABLE ToDo (
    TDID       INTEGER PRIMARY KEY AUTOINCREMENT,
    MesType    INTEGER NOT NULL DEFAULT 0,
    FirstDT    REAL    DEFAULT 0.0,
    ShowDT     REAL    DEFAULT 0.0,
    Title      TEXT    DEFAULT '',
    Comment    TEXT    DEFAULT '',
    PeriodInt  INTEGER DEFAULT 0,
    PeriodType INTEGER DEFAULT 0,
    ElapseInt  INTEGER DEFAULT 0,
    ElapseType INTEGER DEFAULT 0,
    -- The one postponed occurrence of a repeating task or holiday waiting
    -- to come back (NULL: none). A file made without the column gets it
    -- when it is opened.
    PostponedDT REAL
);

-- The reminder gate (Min(ShowDT) WHERE ShowDT > Now()), the to-do list
-- (ORDER BY ShowDT) and the day's plans read by ShowDT; the due-task searches
-- read by MesType and ShowDT.
CREATE INDEX ToDo_ShowDT ON ToDo (ShowDT);
CREATE INDEX ToDo_MesType_ShowDT ON ToDo (MesType, ShowDT);
CREATE INDEX ToDo_PostponedDT ON ToDo (PostponedDT);

CREATE TABLE AddressBook (
    ABID        INTEGER PRIMARY KEY AUTOINCREMENT,
    LastName    TEXT NOT NULL DEFAULT ' ',
    FirstName   TEXT NOT NULL DEFAULT ' ',
    Photo       TEXT,
    Birthday    REAL,
    HomePhone   TEXT,
    JobPhone    TEXT,
    MobilePhone TEXT,
    Address     TEXT,
    Mail        TEXT,
    ICQ         TEXT,
    Web_site    TEXT,
    Comment     TEXT,
    [Group]     INTEGER NOT NULL DEFAULT 4
);

CREATE INDEX AddressBook_Group ON AddressBook ([Group]);
