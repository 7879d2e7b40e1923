/* Resources of the test program itself. */
#define IDS_TEST_LONG 100
#define IDD_TEST_PROBE 200
#define IDC_TEST_END 300
#define IDC_TEST_UNHANDLED 301
/* Small packed bitmaps for the backdrop loader: 1, 4, 8 and 24 bits per pixel;
   IDB_TEST_DIB8_USED16 says it uses 16 colours but carries the full table. */
#define IDB_TEST_DIB1 400
#define IDB_TEST_DIB4 401
#define IDB_TEST_DIB8 402
#define IDB_TEST_DIB8_USED16 403
#define IDB_TEST_DIB24 404
#define IDB_TEST_MISSING 499
