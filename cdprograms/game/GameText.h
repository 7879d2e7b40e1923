/* The sample game's texts, the same in its Windows and its MS-DOS half.
   Plain C: windres reads it too. */
#ifndef QX_GAME_TEXT_H
#define QX_GAME_TEXT_H

/* The texts stand in one column, a table to read: */
/* clang-format off */

#define QX_GAME_MODE_PLAY       "Orvane was started to play."
#define QX_GAME_MODE_SETUP      "Orvane was started to configure its set-up."
#define QX_GAME_MODE_UNKNOWN    "Orvane was started with arguments it does not know."
#define QX_GAME_PROGRAM_FOLDER  "Started from:"
#define QX_GAME_CURRENT_FOLDER  "Current folder:"
#define QX_GAME_COMMAND_LINE    "Command line:"

/* clang-format on */

#endif
