/* What the installer says, once for both of its programs: the Windows
   installer's dialog and string table are made from these texts
   (Install.rc), and the MS-DOS installer compiles the same texts in
   (InstallMessage.h, Install_dos.cpp). Plain C: windres reads it too, and
   joins string literals in a row as the compiler does. A %s takes what the
   text names, in order; the texts hold no double quotes, which the two
   readers escape differently. */
#ifndef QX_INSTALL_TEXT_H
#define QX_INSTALL_TEXT_H

#include "res/CdContract.h"
#include "cdprograms/install/resource.h"

/* clang-format off */

/* A plain number of CdContract.h as text. */
#define QX_NUMBER_TEXT_(n) #n
#define QX_NUMBER_TEXT(n)  QX_NUMBER_TEXT_(n)

/* What both programs show before they ask for the folder: the caption
   above all, the introduction, and the limit on the folder (the dialog
   ends it with a full stop, the MS-DOS installer goes on with what MS-DOS
   allows of each part). */
#define QX_INSTALL_CAPTION "Orvane Setup"
#define QX_INSTALL_INTRO \
    "Setup copies Orvane from the CD into the folder below and records it, so that the CD's launcher offers Play and Configure."
#define QX_INSTALL_LIMIT "The game runs in MS-DOS mode: at most " QX_NUMBER_TEXT(QX_DOS_MAX_FOLDER) " characters"

#define QX_INSTALL_TEXTS(X) \
    X(IDS_DEFAULT_FOLDER,   "C:\\GAMES\\ORVANE") \
    X(IDS_CAPTION,          QX_INSTALL_CAPTION) \
    X(IDS_DONE,             "Orvane is installed in %s.\n\nStart the CD again and press Play.") \
    X(IDS_EMPTY,            "Please type the folder to install Orvane in.") \
    X(IDS_NOT_FULL,         "Please type a full folder name with its drive, for example C:\\GAMES\\ORVANE.") \
    X(IDS_TOO_LONG,         "The folder name is too long. Orvane runs in MS-DOS mode, where a folder name has at most " QX_NUMBER_TEXT(QX_DOS_MAX_FOLDER) " characters.") \
    X(IDS_BAD_CHAR,         "The folder name may not contain the character %s.") \
    X(IDS_BAD_NAME,         "Each part of the folder name must be a name of its own: not empty, not . or .., and neither beginning with a blank nor ending in a blank or a dot.") \
    X(IDS_TWO_BLANKS,       "The folder name may not contain two blanks in a row.") \
    X(IDS_NOT_DOS_NAME,     "In MS-DOS mode each part of the folder name has at most eight characters, then a dot and at most three more, and no blanks or + [ ] characters.") \
    X(IDS_DEVICE_NAME,      "The folder name may not contain %s: that is the name of a device.") \
    X(IDS_NO_GAME_FILES,    "The game's files are missing from the CD (%s).") \
    X(IDS_READ_GAME,        "Could not read %s on the CD: %s") \
    X(IDS_TOO_LONG_IN_GAME, "Could not copy %s to %s: the path would be longer than the system allows.") \
    X(IDS_TOO_MANY,         "The game has more files than Setup can copy.") \
    X(IDS_BAD_REQUEST,      "Setup cannot install in %s.") \
    X(IDS_FILE_IN_THE_WAY,  "%s is in the way: it is a file, where Setup needs a folder.") \
    X(IDS_FOLDER_IN_THE_WAY, "%s is in the way: it is a folder, where Setup needs a file.") \
    X(IDS_SETTING_CHANGED,  "Another program wrote qx.ini in the Windows folder while Setup recorded the folder there. Your qx.ini is back as it was; what the other program wrote is in %s.") \
    X(IDS_NO_DRIVE,         "There is no drive %s on this computer, or it holds no disk.") \
    X(IDS_JOURNAL,          "Could not write Setup's journal %s: %s") \
    X(IDS_CREATE_FOLDER,    "Could not create the folder %s: %s") \
    X(IDS_COPY_FILE,        "Could not copy %s to %s: %s") \
    X(IDS_WRITE_FOLDER,     "Could not write to the folder %s: %s") \
    X(IDS_REPLACE,          "Could not replace %s: %s\nIf Orvane or another program is using that file, close it and try again.") \
    X(IDS_READ_SETTING,     "Could not read qx.ini in the Windows folder: %s") \
    X(IDS_RECORD,           "Could not record the folder in qx.ini in the Windows folder: %s") \
    X(IDS_READ_ONLY_FILE,   "the file is read-only.") \
    X(IDS_NOT_AS_WRITTEN,   "it did not read back as it was written.") \
    X(IDS_FAILED_FRAME,     "Orvane was not installed.\n\n%s\n\n%s") \
    X(IDS_NOTHING_CHANGED,  "Nothing was changed, and the game is not recorded as installed.") \
    X(IDS_NOTHING_CHANGED_RECORDED, "Nothing was changed: Orvane is still installed in %s.") \
    X(IDS_UNDONE,           "Setup removed what it had copied, and the game is not recorded as installed.") \
    X(IDS_UNDONE_RECORDED,  "Setup removed what it had copied: Orvane is still installed in %s, as it was.") \
    X(IDS_NOT_UNDONE,       "Setup could not undo all it had done. %s is left as it is: %s The game is not recorded as installed.") \
    X(IDS_NOT_UNDONE_RECORDED, "Setup could not undo all it had done. %s is left as it is: %s Orvane is still recorded as installed in %s.") \
    X(IDS_LEFT_OVER,        "Setup could not remove %s: %s\nFiles whose names begin with ~QX are Setup's own and may be deleted.") \
    X(IDS_PROGRESS,         "Copying %s (%s of %s)") \
    X(IDS_BUSY,             "Setup is already installing Orvane.") \
    X(IDS_RECOVERED_FINISHED, "An earlier run of Setup was cut off. Setup has finished it: Orvane is installed in %s.") \
    X(IDS_RECOVERED_UNDONE, "An earlier run of Setup was cut off while it installed Orvane in %s. Setup has undone it.") \
    X(IDS_RECOVERED_SETTING, "An earlier run of Setup was cut off while it changed qx.ini in the Windows folder. Setup has put qx.ini back as it was.") \
    X(IDS_RECOVERY_LEFT,    "Setup could not finish or undo all of an earlier run that was cut off. %s is left as it is: %s")
/* clang-format on */

#endif
