// Shared by the two files of the run-time probe: a log of what happened at
// start-up and at exit, in order.
#pragma once

// Appends psz and a blank to the log.
void LogEvent(const char* psz);

// Where a child run of the probe leaves its log when it ends.
#define QX_PROBE_LOG_PATH "C:\\qxcrt_child.log"

// Logs its name when constructed and "~name" when destroyed.
class CLoggedObject
{
public:
    explicit CLoggedObject(const char* pszName);
    ~CLoggedObject();
    CLoggedObject(const CLoggedObject&) = delete;
    CLoggedObject& operator=(const CLoggedObject&) = delete;

private:
    const char* m_pszName;
};
