/* What the launcher and the CD's own programs agree on: the one setting that
   records the installed game, the two files that the launcher leaves for
   MS-DOS mode while no game is recorded, and MS-DOS's limits on the folders
   the game runs from. Plain C, and nothing but string literals and plain
   numbers, so that the launcher, the CD's Windows and MS-DOS programs,
   windres and the tests can all include it. */
#ifndef QX_CD_CONTRACT_H
#define QX_CD_CONTRACT_H

/* The values stand in one column, a table to read: */
/* clang-format off */

/* The game counts as installed where key InstallDir of section [Orvane] in
   qx.ini in the Windows directory names it; the CD's installer writes it. */
#define QX_INI_FILE             "qx.ini"
#define QX_INI_SECTION          "Orvane"
#define QX_INI_KEY              "InstallDir"

/* The batch file that finds the CD's installer again in MS-DOS mode. Its
   path is fixed: its last line deletes this very file. */
#define QX_CD_CHECK_BATCH_PATH  "c:\\_qxchkcd.bat"

/* The marker file: one line, the keyword, a blank, the Windows directory.
   The launcher takes its path from its string table (string 8), which holds
   this default; the other programs use the default. */
#define QX_MARKER_FILE_DEFAULT  "c:\\qxinst.cfg"
#define QX_MARKER_KEYWORD       "win95dir"

/* Where the launcher's writer keeps the old file of each while it replaces
   it (its stem and ".~ol"); one that a crash left is removed by the
   installer with the first-run files. */
#define QX_CD_CHECK_BATCH_ASIDE "c:\\_qxchkcd.~ol"
#define QX_MARKER_FILE_ASIDE    "c:\\qxinst.~ol"

/* MS-DOS's own limits, which the game keeps to since it runs in MS-DOS
   mode: a folder of at most QX_DOS_MAX_FOLDER characters with its drive
   ("C:\" and 61 more), as MS-DOS holds a current directory; each part of a
   path a name of at most QX_DOS_MAX_BASE_NAME characters, then a dot and at
   most QX_DOS_MAX_EXTENSION more. Plain numbers: the installer's texts
   spell out the first. */
#define QX_DOS_MAX_FOLDER       64
#define QX_DOS_MAX_BASE_NAME    8
#define QX_DOS_MAX_EXTENSION    3
/* The longest name of a part, its dot with it ("SETTINGS.CFG"). */
#define QX_DOS_MAX_NAME         (QX_DOS_MAX_BASE_NAME + 1 + QX_DOS_MAX_EXTENSION)

/* clang-format on */

#endif
