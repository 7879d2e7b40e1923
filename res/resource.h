/* Resource ids, shared by Qxinst95.rc and the code. Plain C: windres
   preprocesses the resource script as C with RC_INVOKED defined. */
#ifndef QX_RESOURCE_H
#define QX_RESOURCE_H

/* The values stand in one column, a table to read: */
/* clang-format off */

/* Dialogs */
#define IDD_LAUNCHER            102

/* Icons */
#define IDI_LAUNCHER            128

/* Bitmaps */
#define IDB_BACKDROP            130

/* Controls of the launcher dialog (IDOK and IDCANCEL are the system's) */
#define IDC_VIEW_README         1000
#define IDC_CONFIGURE           1002
#define IDC_BACKDROP_FRAME      1007

/* Strings */
#define IDS_PLAY                1
#define IDS_INSTALL             2
#define IDS_CMD_VIEW_README     3
#define IDS_CMD_INSTALL         4
#define IDS_CMD_PLAY            5
#define IDS_CMD_UNUSED          6
#define IDS_CMD_CONFIGURE       7
#define IDS_MARKER_FILE         8
#define IDS_CONFIRM_DOS_MODE    9

/* clang-format on */

#endif
