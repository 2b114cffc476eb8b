/* Records how it was started and exits: its command line and its working
 * folder, one per line, in "<its own path>.cmdline". The file is written
 * under a temporary name and then renamed, so whoever waits for it reads it
 * whole.
 *
 * Two optional environment variables let it play an installer:
 * VEXO_RECORDER_CREATE names files to create (empty, with the folders
 * they need), separated by "|"; they exist before the record does.
 * VEXO_RECORDER_EXIT_CODE is the code it exits with once it has recorded. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Creates every folder above the file path and then the file itself. */
static int CreateWithFolders(char* path)
{
    char* p = path;
    if (p[0] && p[1] == ':')
        p += 2; /* after the drive */
    while (*p == '\\')
        ++p; /* after the root, or a UNC path's leading backslashes */
    for (; *p; ++p) {
        if (*p != '\\')
            continue;
        *p = '\0';
        if (!CreateDirectoryA(path, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
            *p = '\\';
            return 0;
        }
        *p = '\\';
    }
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

static int CreateListedFiles(void)
{
    DWORD size = GetEnvironmentVariableA("VEXO_RECORDER_CREATE", NULL, 0);
    if (size == 0)
        return 1;
    char* list = malloc(size);
    if (!list)
        return 0;
    int ok = GetEnvironmentVariableA("VEXO_RECORDER_CREATE", list, size) < size;
    for (char* name = list; ok && *name;) {
        char* end = strchr(name, '|');
        if (end)
            *end = '\0';
        if (*name)
            ok = CreateWithFolders(name);
        name = end ? end + 1 : name + strlen(name);
    }
    free(list);
    return ok;
}

int main(void)
{
    char self[MAX_PATH], folder[MAX_PATH], target[MAX_PATH + 16], temporary[MAX_PATH + 16], code[32];
    DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !GetCurrentDirectoryA(MAX_PATH, folder))
        return 1;
    if (!CreateListedFiles())
        return 1;
    snprintf(target, sizeof target, "%s.cmdline", self);
    snprintf(temporary, sizeof temporary, "%s.partial", self);
    FILE* f = fopen(temporary, "wb");
    if (!f)
        return 1;
    fprintf(f, "%s\n%s\n", GetCommandLineA(), folder);
    if (fclose(f) != 0)
        return 1;
    if (!MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING))
        return 1;
    n = GetEnvironmentVariableA("VEXO_RECORDER_EXIT_CODE", code, sizeof code);
    return (n > 0 && n < sizeof code) ? (int)strtoul(code, NULL, 0) : 0;
}
