/* Stand-in for the main application. Each start appends one record to "Pemblix.started.txt"
   beside the executable: the working folder, the command line and the local time. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showMode) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    char exe[MAX_PATH * 2] = {0};
    char folder[MAX_PATH * 2] = {0};
    char logName[MAX_PATH * 2 + 32] = {0};
    SYSTEMTIME now;
    GetModuleFileNameA(NULL, exe, sizeof(exe) - 1);
    char* slash = strrchr(exe, '\\');
    if (slash) slash[1] = '\0';
    snprintf(logName, sizeof(logName), "%sPemblix.started.txt", exe);
    GetCurrentDirectoryA(sizeof(folder), folder);
    GetLocalTime(&now);

    char record[MAX_PATH * 8];
    int n = snprintf(record, sizeof(record),
                     "Folder=%s\r\nCommandLine=%s\r\nShowMode=%d\r\nTime=%04d-%02d-%02d %02d:%02d:%02d\r\n",
                     folder, GetCommandLineA(), showMode, now.wYear, now.wMonth, now.wDay, now.wHour,
                     now.wMinute, now.wSecond);
    if (n < 0) return 1;
    if (n >= (int)sizeof(record)) n = sizeof(record) - 1;
    HANDLE file = CreateFileA(logName, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    WriteFile(file, record, (DWORD)n, &written, NULL);
    CloseHandle(file);
    return 0;
}
