/* Resource ids of the sample CD's installer. Plain C: windres reads it too.
   The strings' texts are in InstallText.h. */
#ifndef QX_INSTALL_RESOURCE_H
#define QX_INSTALL_RESOURCE_H

/* The values stand in one column, a table to read: */
/* clang-format off */

#define IDD_INSTALL             100
#define IDI_INSTALL             128

#define IDC_FOLDER              1000
#define IDC_PROGRESS            1001

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
#define IDS_NOT_DOS_NAME        16
#define IDS_READ_GAME           17
#define IDS_TOO_LONG_IN_GAME    18
#define IDS_TOO_MANY            19
#define IDS_BAD_REQUEST         20
#define IDS_WRITE_FOLDER        21
#define IDS_REPLACE             22
#define IDS_READ_SETTING        23
#define IDS_NOT_AS_WRITTEN      24
#define IDS_NOTHING_CHANGED     25
#define IDS_NOTHING_CHANGED_RECORDED 26
#define IDS_UNDONE              27
#define IDS_UNDONE_RECORDED     28
#define IDS_NOT_UNDONE          29
#define IDS_NOT_UNDONE_RECORDED 30
#define IDS_LEFT_OVER           31
#define IDS_PROGRESS            32
#define IDS_BUSY                33
#define IDS_DEVICE_NAME         34
#define IDS_READ_ONLY_FILE      35

#define IDS_FOLDER_IN_THE_WAY   50
#define IDS_JOURNAL             51
#define IDS_RECOVERED_FINISHED  52
#define IDS_RECOVERED_UNDONE    53
#define IDS_RECOVERED_SETTING   54
#define IDS_RECOVERY_LEFT       55
#define IDS_NO_DRIVE            56
#define IDS_SETTING_CHANGED     57

/* clang-format on */

#endif
