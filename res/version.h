/* The launcher's version, in one place for the version block. */
#ifndef QX_VERSION_H
#define QX_VERSION_H

/* The values stand in one column, a table to read: */
/* clang-format off */

#define QX_FILEVERSION          1,0,0,1
#define QX_PRODUCTVERSION       1,0,0,0
#define QX_FILEVERSION_STR      "1, 0, 0, 1"
#define QX_PRODUCTVERSION_STR   "1.00"
#define QX_COMPANY_STR          "Northfold Interactive"
#define QX_COPYRIGHT_STR        "Copyright (C) 1996 Northfold Interactive"

/* clang-format on */

#endif
