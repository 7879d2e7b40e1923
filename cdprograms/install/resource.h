/* Resource ids of the sample CD's installer. Plain C: windres reads it too. */
#ifndef QX_INSTALL_RESOURCE_H
#define QX_INSTALL_RESOURCE_H

/* The values stand in one column, a table to read: */
/* clang-format off */

#define IDD_INSTALL             100
#define IDI_INSTALL             128

#define IDC_FOLDER              1000

#define IDS_DEFAULT_FOLDER      1
#define IDS_CAPTION             2
#define IDS_DONE                3
#define IDS_EMPTY               4
#define IDS_NOT_FULL            5
#define IDS_TOO_LONG            6
#define IDS_BAD_CHAR            7
#define IDS_BAD_NAME            8
#define IDS_TWO_BLANKS          9
#define IDS_NO_GAME_FILES       10
#define IDS_FILE_IN_THE_WAY     11
#define IDS_CREATE_FOLDER       12
#define IDS_COPY_FILE           13
#define IDS_RECORD              14
#define IDS_FAILED_FRAME        15

/* clang-format on */

#endif
