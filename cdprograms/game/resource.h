/* Resource ids of the sample game. Plain C: windres reads it too. */
#ifndef QX_GAME_RESOURCE_H
#define QX_GAME_RESOURCE_H

/* The values stand in one column, a table to read: */
/* clang-format off */

#define IDD_GAME                100
#define IDI_GAME                128

#define IDC_MODE                1000
#define IDC_PROGRAM_FOLDER      1001
#define IDC_CURRENT_FOLDER      1002
#define IDC_COMMAND_LINE        1003

#define IDS_MODE_PLAY           1
#define IDS_MODE_SETUP          2
#define IDS_MODE_UNKNOWN        3

/* clang-format on */

#endif
