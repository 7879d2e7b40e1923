/* Resources of the test program itself. */
#define IDS_TEST_LONG      100
#define IDD_TEST_PROBE     200
#define IDC_TEST_END       300
#define IDC_TEST_UNHANDLED 301
