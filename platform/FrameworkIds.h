/* The framework's own ids, kept apart from the application's. Plain C, so
   that a resource script may include it as well. */
#ifndef QX_FRAMEWORK_IDS_H
#define QX_FRAMEWORK_IDS_H

/* The values stand in one column, a table to read: */
/* clang-format off */

/* Strings: the application's title, when its string table has one */
#define AFX_IDS_APP_TITLE       0xE000

/* Commands: help for the main window (F1) */
#define ID_HELP                 0xE146

/* clang-format on */

#endif
